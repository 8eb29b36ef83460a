#include "model/DataFile.h"

#include "imaging/PictureData.h"

#include "base/Report.h"
#include "model/RecordCodec.h"

#include <QFileDevice>
#include <QIODevice>

#include <cmath>
#include <cstring>
#include <memory>

#include <sys/mman.h>

namespace vq {

namespace {

constexpr qint64 kMaxPictureBytes = qint64(1) << 31;

bool writeAll(QIODevice& file, const char* data, qint64 size)
{
    return file.write(data, size) == size;
}

bool writeBigEndian(QIODevice& file, qint64 value, Report* failure)
{
    char b[4];
    return PutBigEndian32(b, value, failure) && writeAll(file, b, 4);
}

bool pictureWritable(const PicturePtr& picture)
{
    return picture && !picture->bytes().isEmpty() && picture->bytes().size() < kMaxPictureBytes;
}

// The bytes of a data file as one block. A file is mapped rather than read:
// the pictures then point into the mapping and no page is copied. Pages are
// not populated up front either: that would take the window's thread a
// moment per hundred megabytes, where the decoders fault in a picture's pages
// on their own threads when they need them.
struct Source {
    const char* data = nullptr;
    qint64 size = 0;
    std::shared_ptr<const void> storage;
};

Source loadSource(QIODevice& file)
{
    auto* f = qobject_cast<QFileDevice*>(&file);
    if (f && f->handle() >= 0 && !f->isSequential()) {
        const qint64 total = f->size();
        const qint64 pos = f->pos();
        if (total > pos) {
            void* p = ::mmap(nullptr, size_t(total), PROT_READ, MAP_PRIVATE, f->handle(), 0);
            if (p != MAP_FAILED) {
                std::shared_ptr<const void> storage(p, [total](const void* q) { ::munmap(const_cast<void*>(q), size_t(total)); });
                f->seek(total);
                return {static_cast<const char*>(p) + pos, total - pos, std::move(storage)};
            }
        }
    }
    auto bytes = std::make_shared<QByteArray>(file.readAll());
    Source source{bytes->constData(), bytes->size(), nullptr};
    source.storage = std::move(bytes);
    return source;
}

// Walks a source front to back; every take is checked against what remains.
class Reader {
public:
    explicit Reader(const Source& s) : m_s(s) {}
    bool take(qint64 n, const char*& out)
    {
        if (n < 0 || n > m_s.size - m_pos)
            return false;
        out = m_s.data + m_pos;
        m_pos += n;
        return true;
    }
    bool bigEndian(quint32& value)
    {
        const char* p = nullptr;
        if (!take(4, p))
            return false;
        value = GetBigEndian32(p);
        return true;
    }
    // A picture block: big-endian length and encoded bytes. Every block read
    // in full is kept, whatever decoder it needs or even when none can draw
    // it, so that saving writes it back unchanged. Null when the block is
    // missing, longer than the file (`intact` then becomes false: the rest of
    // the file can no longer be trusted) or empty.
    PicturePtr picture(bool& intact)
    {
        quint32 length = 0;
        const char* p = nullptr;
        if (!bigEndian(length) || !take(length, p)) {
            intact = false;
            return nullptr;
        }
        return Picture::fromSharedBytes(p, length, m_s.storage);
    }

private:
    const Source& m_s;
    qint64 m_pos = 0;
};

template <typename T>
T clampTo(T v, T lo, T hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

bool WriteDataFile(QIODevice& file, const Document& doc, Report* failure)
{
    DocState state = doc.state;
    if (!pictureWritable(state.backPicture))
        state.backPicture.reset();
    if (!writeAll(file, kDataFileMagic, kDataFileMagicBytes))
        return false;
    const QByteArray stateBytes = encodeDocState(state);
    if (!writeAll(file, stateBytes.constData(), stateBytes.size()))
        return false;
    if (state.backPicture && !WritePictureData(file, true, *state.backPicture, failure))
        return false;
    const int count = std::clamp(state.nodeCount, 0, kMaxNodes);
    if (!writeBigEndian(file, count, failure))
        return false;
    // Records in one write: a thousand small writes cost more than the copy.
    QByteArray records;
    records.reserve(static_cast<qsizetype>(count) * kNodeRecordBytes);
    for (int i = 0; i < count; ++i) {
        NodeRecord node = doc.nodes[i];
        if (!pictureWritable(node.picture))
            node.picture.reset();
        records += encodeNodeRecord(node);
    }
    if (!writeAll(file, records.constData(), records.size()))
        return false;
    for (int i = 0; i < count; ++i) {
        const PicturePtr& picture = doc.nodes[i].picture;
        if (pictureWritable(picture) && !WritePictureData(file, true, *picture, failure))
            return false;
    }
    return true;
}

bool ReadDataFile(QIODevice& file, Document& doc, Report* failure, bool* picturesComplete)
{
    const auto refuse = [&](int id, const QString& prefix = {}) {
        Record(failure, {id, prefix, kStyleError});
        return false;
    };
    const Source source = loadSource(file);
    Reader in(source);
    const char* head = nullptr;
    if (!in.take(kDataFileMagicBytes, head) || std::memcmp(head, "VQD", 3) != 0) {
        return refuse(kMsgWrongFormat);
    }
    const QByteArray version(head + 3, 3);
    bool numeric = false;
    const int versionNumber = version.toInt(&numeric);
    if (!numeric || (versionNumber != 1 && versionNumber != 2)) {
        return refuse(kMsgUnsupportedVersion, QStringLiteral("ver ") + QString::fromLatin1(version) + QLatin1Char('\n'));
    }

    const char* stateBytes = nullptr;
    if (!in.take(kDocStateBytes, stateBytes)) {
        return refuse(kMsgWrongFormat);
    }
    bool hasBackPicture = false;
    decodeDocState(stateBytes, doc.state, hasBackPicture);
    doc.state.nodeCount = 0;

    bool intact = true;
    if (hasBackPicture)
        doc.state.backPicture = in.picture(intact);

    quint32 count = 0;
    if (!intact || !in.bigEndian(count)) {
        return refuse(kMsgWrongFormat);
    }
    if (count > static_cast<quint32>(kMaxNodes)) {
        return refuse(kMsgTooManyInDocument, QStringLiteral("%1 > %2\n").arg(count).arg(kMaxNodes));
    }
    const char* records = nullptr;
    if (!in.take(qint64(count) * kNodeRecordBytes, records)) {
        return refuse(kMsgWrongFormat);
    }
    std::vector<bool> hasPicture(count, false);
    for (quint32 i = 0; i < count; ++i) {
        bool flag = false;
        decodeNodeRecord(records + qsizetype(i) * kNodeRecordBytes, doc.nodes[i], flag);
        doc.screen[i] = NodeScreenInfo{};
        hasPicture[i] = flag;
    }
    doc.state.nodeCount = static_cast<int>(count);

    // Picture blocks cut short leave their nodes without a picture, as a node
    // without one is valid everywhere.
    for (quint32 i = 0; i < count && intact; ++i) {
        if (hasPicture[i])
            doc.nodes[i].picture = in.picture(intact);
    }
    if (picturesComplete)
        *picturesComplete = intact;
    RepairDocument(doc);
    return true;
}

void RepairDocument(Document& doc)
{
    DocState& s = doc.state;
    s.nodeCount = std::clamp(s.nodeCount, 0, kMaxNodes);
    if (s.mainIndex < -1 || s.mainIndex >= s.nodeCount)
        s.mainIndex = -1;
    if (!std::isfinite(s.zoom) || s.zoom <= 0.0f)
        s.zoom = 1.0f;
    s.zoom = clampTo(s.zoom, 0.08f, 4.0f);
    s.canvasWidth = std::clamp(s.canvasWidth, 500, 10000);
    s.canvasHeight = std::clamp(s.canvasHeight, 500, 7500);
    s.consoleAlways = s.consoleAlways != 0 ? 1 : 0;
    s.consoleX = std::clamp(s.consoleX, -100000, 100000);
    s.consoleY = std::clamp(s.consoleY, -100000, 100000);
    s.scrollX = std::clamp(s.scrollX, 0, 1000000);
    s.scrollY = std::clamp(s.scrollY, 0, 1000000);
    s.canvasFrameWidth = std::clamp(s.canvasFrameWidth, 1, 20);
    if (s.canvasFrameStyle < 0 || s.canvasFrameStyle > 5)
        s.canvasFrameStyle = 0;
    if (s.gridMode == 0 || s.gridMode < -5 || s.gridMode > 5)
        s.gridMode = -1;
    s.gridOnTop = s.gridOnTop != 0 ? 1 : 0;
    s.modeFrameWidth = std::clamp(s.modeFrameWidth, 0, 5);

    // Coordinates far beyond any canvas would overflow the drawing arithmetic.
    constexpr int kLimit = 1000000;
    for (int i = 0; i < s.nodeCount; ++i) {
        NodeRecord& n = doc.nodes[i];
        n.centerX = std::clamp(n.centerX, -kLimit, kLimit);
        n.centerY = std::clamp(n.centerY, -kLimit, kLimit);
        n.halfWidth = std::clamp(n.halfWidth, 0, kLimit);
        n.halfHeight = std::clamp(n.halfHeight, 0, kLimit);
        n.frameWidth = std::clamp(n.frameWidth, 1, 20);
        if (n.frameStyle < 0 || n.frameStyle > 5)
            n.frameStyle = 0;
        if (n.imageWidth < 0)
            n.imageWidth = 0;
        if (n.imageHeight < 0)
            n.imageHeight = 0;
        if (n.dataSize < 0)
            n.dataSize = 0;
    }
}

} // namespace vq
