#include "model/DataFile.h"

#include "imaging/PictureData.h"

#include "model/Messages.h"
#include "model/RecordCodec.h"

#include <QIODevice>
#include <QtEndian>

#include <cmath>

namespace vq {

namespace {

constexpr qint64 kMaxPictureBytes = qint64(1) << 31;

bool writeAll(QIODevice& file, const char* data, qint64 size)
{
    return file.write(data, size) == size;
}

bool writeBigEndian(QIODevice& file, quint32 value)
{
    char b[4];
    qToBigEndian(value, b);
    return writeAll(file, b, 4);
}

bool pictureWritable(const PicturePtr& picture)
{
    return picture && !picture->bytes().isEmpty() && picture->bytes().size() < kMaxPictureBytes;
}


// Reads exactly `size` bytes, never allocating more than the device still holds.
bool readExact(QIODevice& file, QByteArray& out, qint64 size)
{
    if (size < 0)
        return false;
    if (!file.isSequential() && size > file.size() - file.pos())
        return false;
    out.resize(static_cast<qsizetype>(size));
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(out.data() + done, size - done);
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

bool readBigEndian(QIODevice& file, quint32& value)
{
    char b[4];
    if (file.read(b, 4) != 4)
        return false;
    value = qFromBigEndian<quint32>(b);
    return true;
}

// A picture block: big-endian length and JPEG bytes. Null when the block is
// missing, longer than the file or not a picture; `intact` is false when the
// rest of the file can no longer be trusted.
PicturePtr readPictureBlock(QIODevice& file, bool& intact)
{
    quint32 length = 0;
    if (!readBigEndian(file, length)) {
        intact = false;
        return nullptr;
    }
    const qint64 end = file.pos() + length;
    PicturePtr picture = ReadPictureData(file, length);
    // A block that could not be read in full leaves the reader lost.
    if (!picture && (file.isSequential() || file.pos() != end) && !file.seek(end))
        intact = false;
    if (!file.isSequential() && end > file.size())
        intact = false;
    return picture;
}

template <typename T>
T clampTo(T v, T lo, T hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

bool WriteDataFile(QIODevice& file, const Document& doc)
{
    DocState state = doc.state;
    if (!pictureWritable(state.backPicture))
        state.backPicture.reset();
    if (!writeAll(file, kDataFileMagic, kDataFileMagicBytes))
        return false;
    const QByteArray stateBytes = encodeDocState(state);
    if (!writeAll(file, stateBytes.constData(), stateBytes.size()))
        return false;
    if (state.backPicture && !WritePictureData(file, true, *state.backPicture))
        return false;
    const int count = std::clamp(state.nodeCount, 0, kMaxNodes);
    if (!writeBigEndian(file, static_cast<quint32>(count)))
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
        if (pictureWritable(picture) && !WritePictureData(file, true, *picture))
            return false;
    }
    return true;
}

bool ReadDataFile(QIODevice& file, Document& doc, QObject* owner)
{
    QByteArray head;
    if (!readExact(file, head, kDataFileMagicBytes) || !head.startsWith("VQD")) {
        ShowMessage(30019, owner, {}, kStyleError);
        return false;
    }
    const QByteArray version = head.mid(3, 3);
    bool numeric = false;
    const int versionNumber = version.toInt(&numeric);
    if (!numeric || (versionNumber != 1 && versionNumber != 2)) {
        ShowMessage(30020, owner, QStringLiteral("ver ") + QString::fromLatin1(version) + QLatin1Char('\n'), kStyleError);
        return false;
    }

    QByteArray stateBytes;
    if (!readExact(file, stateBytes, kDocStateBytes)) {
        ShowMessage(30019, owner, {}, kStyleError);
        return false;
    }
    bool hasBackPicture = false;
    decodeDocState(stateBytes.constData(), doc.state, hasBackPicture);
    doc.state.nodeCount = 0;

    bool intact = true;
    if (hasBackPicture)
        doc.state.backPicture = readPictureBlock(file, intact);

    quint32 count = 0;
    if (!intact || !readBigEndian(file, count)) {
        ShowMessage(30019, owner, {}, kStyleError);
        return false;
    }
    if (count > static_cast<quint32>(kMaxNodes)) {
        ShowMessage(30043, owner, QStringLiteral("%1 > %2\n").arg(count).arg(kMaxNodes), kStyleError);
        return false;
    }
    QByteArray records;
    if (!readExact(file, records, qint64(count) * kNodeRecordBytes)) {
        ShowMessage(30019, owner, {}, kStyleError);
        return false;
    }
    std::vector<bool> hasPicture(count, false);
    for (quint32 i = 0; i < count; ++i) {
        bool flag = false;
        decodeNodeRecord(records.constData() + qsizetype(i) * kNodeRecordBytes, doc.nodes[i], flag);
        doc.screen[i] = NodeScreenInfo{};
        hasPicture[i] = flag;
    }
    doc.state.nodeCount = static_cast<int>(count);

    // Missing or damaged picture blocks leave their nodes without a picture,
    // as a node without one is valid everywhere.
    for (quint32 i = 0; i < count && intact; ++i) {
        if (hasPicture[i])
            doc.nodes[i].picture = readPictureBlock(file, intact);
    }
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
