#include "model/cabinet/CabinetWriter.h"

#include "model/cabinet/DosTime.h"
#include "model/cabinet/MszipBlock.h"
#include "model/cabinet/PosixFile.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {

namespace {

using cab::FileDescriptor;
using cab::kBlockSize;
using cab::ReadFull;
using cab::SystemError;
using cab::WriteAll;
using cab::kMaxEncodedBlock;

constexpr std::size_t kHeaderSize = 36;
constexpr std::size_t kFolderSize = 8;
constexpr std::size_t kFileFixedSize = 16;
constexpr std::size_t kDataHeaderSize = 8;
constexpr std::size_t kMaxNameBytes = 255;
constexpr quint64 kMaxBlocks = 0xFFFF;
constexpr quint16 kCompressMszip = 1;
constexpr quint16 kAttribReadOnly = 0x01;
constexpr quint16 kAttribArchive = 0x20;
constexpr quint16 kAttribUtfName = 0x80;

// Reading in runs of whole blocks keeps system calls few without holding a
// whole document in memory.
constexpr std::size_t kBlocksPerRun = 32;

struct PreparedMember {
    QByteArray name;
    quint32 size = 0;
    quint32 folderOffset = 0;
    DosDateTime stamp;
    quint16 attributes = 0;
    FileDescriptor fd;
};

void Put16(std::vector<std::uint8_t>& out, quint16 v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, quint32 v)
{
    Put16(out, quint16(v));
    Put16(out, quint16(v >> 16));
}

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool Prepare(const CabinetSource& source, PreparedMember& member, QString* error)
{
    member.name = source.memberName.toUtf8();
    if (member.name.isEmpty() || std::size_t(member.name.size()) > kMaxNameBytes || member.name.contains('\0'))
        return Fail(error, QStringLiteral("unusable member name \"%1\"").arg(source.memberName));

    const QByteArray path = QFile::encodeName(source.sourcePath);
    member.fd = FileDescriptor(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (member.fd.get() < 0)
        return Fail(error, SystemError(QStringLiteral("cannot open"), source.sourcePath));
    struct stat st {};
    if (::fstat(member.fd.get(), &st) != 0)
        return Fail(error, SystemError(QStringLiteral("cannot examine"), source.sourcePath));
    if (!S_ISREG(st.st_mode))
        return Fail(error, QStringLiteral("not a regular file: %1").arg(source.sourcePath));
    if (quint64(st.st_size) > 0xFFFFFFFFu)
        return Fail(error, QStringLiteral("too large for a cabinet: %1").arg(source.sourcePath));
    member.size = quint32(st.st_size);

    const qint64 msecs = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    member.stamp = ToDosDateTime(QDateTime::fromMSecsSinceEpoch(msecs));
    member.attributes = kAttribArchive;
    // The file's own permission, not whether we could write it: root can
    // write anything, yet a file without its owner's write bit is read-only.
    if (!(st.st_mode & S_IWUSR))
        member.attributes |= kAttribReadOnly;
    for (const char c : member.name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            member.attributes |= kAttribUtfName;
            break;
        }
    }
    return true;
}

// Hands out the members' bytes as one stream, as the folder holds them.
class FolderStream {
public:
    explicit FolderStream(std::vector<PreparedMember>& members) : m_members(members) {}

    // Fills `size` bytes; false (with `error`) when a source is shorter than it was.
    bool read(std::uint8_t* out, std::size_t size, QString* error)
    {
        while (size > 0) {
            while (m_index < m_members.size() && m_used == m_members[m_index].size) {
                ++m_index;
                m_used = 0;
            }
            if (m_index == m_members.size())
                return Fail(error, QStringLiteral("internal error: folder stream overrun"));
            PreparedMember& m = m_members[m_index];
            const std::size_t want = std::min<std::size_t>(size, m.size - m_used);
            const ssize_t got = ReadFull(m.fd.get(), out, want);
            if (got < 0)
                return Fail(error, QStringLiteral("read error in %1").arg(QString::fromUtf8(m.name)));
            if (std::size_t(got) != want)
                return Fail(error, QStringLiteral("%1 shrank while it was packed").arg(QString::fromUtf8(m.name)));
            m_used += quint32(got);
            out += got;
            size -= std::size_t(got);
        }
        return true;
    }

private:
    std::vector<PreparedMember>& m_members;
    std::size_t m_index = 0;
    quint32 m_used = 0;
};

bool WriteBody(int fd, std::vector<PreparedMember>& members, quint64 total, quint32* dataBytes, QString* error)
{
    cab::MszipEncoder encoder;
    if (!encoder.isValid())
        return Fail(error, QStringLiteral("cannot start the compressor"));

    const std::size_t runSize = kBlocksPerRun * kBlockSize;
    const std::size_t outCapacity = kBlocksPerRun * (kDataHeaderSize + kMaxEncodedBlock);
    std::unique_ptr<std::uint8_t[]> in(new std::uint8_t[runSize]);
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[outCapacity]);
    FolderStream stream(members);

    quint64 remaining = total;
    quint64 written = 0;
    while (remaining > 0) {
        const std::size_t run = std::size_t(std::min<quint64>(remaining, runSize));
        if (!stream.read(in.get(), run, error))
            return false;
        std::size_t outUsed = 0;
        for (std::size_t at = 0; at < run; at += kBlockSize) {
            const std::size_t n = std::min(kBlockSize, run - at);
            std::uint8_t* header = out.get() + outUsed;
            std::uint8_t* body = header + kDataHeaderSize;
            const std::size_t encoded = encoder.encode(in.get() + at, n, body);
            header[4] = std::uint8_t(encoded);
            header[5] = std::uint8_t(encoded >> 8);
            header[6] = std::uint8_t(n);
            header[7] = std::uint8_t(n >> 8);
            const std::uint32_t sum = cab::Checksum(header + 4, 4, cab::Checksum(body, encoded));
            header[0] = std::uint8_t(sum);
            header[1] = std::uint8_t(sum >> 8);
            header[2] = std::uint8_t(sum >> 16);
            header[3] = std::uint8_t(sum >> 24);
            outUsed += kDataHeaderSize + encoded;
        }
        if (!WriteAll(fd, out.get(), outUsed))
            return Fail(error, QStringLiteral("write error: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        written += outUsed;
        remaining -= run;
    }
    *dataBytes = quint32(written);
    return true;
}

} // namespace

bool WriteCabinet(const QString& cabinetPath, const QList<CabinetSource>& sources, QString* error)
{
    if (sources.isEmpty() || quint64(sources.size()) > 0xFFFF)
        return Fail(error, QStringLiteral("a cabinet holds 1 to 65535 members"));

    std::vector<PreparedMember> members(std::size_t(sources.size()));
    quint64 total = 0;
    std::size_t fileTableSize = 0;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        PreparedMember& m = members[std::size_t(i)];
        if (!Prepare(sources[i], m, error))
            return false;
        m.folderOffset = quint32(total);
        total += m.size;
        fileTableSize += kFileFixedSize + std::size_t(m.name.size()) + 1;
    }
    const quint64 blocks = (total + kBlockSize - 1) / kBlockSize;
    if (total > 0xFFFFFFFFu || blocks > kMaxBlocks)
        return Fail(error, QStringLiteral("too much data for one cabinet folder"));

    const std::size_t dataStart = kHeaderSize + kFolderSize + fileTableSize;
    std::vector<std::uint8_t> head;
    head.reserve(dataStart);
    Put32(head, 0x4643534D);   // "MSCF"
    Put32(head, 0);
    Put32(head, 0);            // cabinet size, known once the blocks are written
    Put32(head, 0);
    Put32(head, quint32(kHeaderSize + kFolderSize));
    Put32(head, 0);
    head.push_back(3);         // format version 1.3
    head.push_back(1);
    Put16(head, 1);            // folders
    Put16(head, quint16(members.size()));
    Put16(head, 0);            // flags: no reserve, no neighbouring cabinets
    Put16(head, 0);            // set id
    Put16(head, 0);            // index in set
    Put32(head, quint32(dataStart));
    Put16(head, quint16(blocks));
    Put16(head, kCompressMszip);
    for (const PreparedMember& m : members) {
        Put32(head, m.size);
        Put32(head, m.folderOffset);
        Put16(head, 0);        // folder index
        Put16(head, m.stamp.date);
        Put16(head, m.stamp.time);
        Put16(head, m.attributes);
        head.insert(head.end(), m.name.begin(), m.name.end());
        head.push_back(0);
    }

    const QByteArray destination = QFile::encodeName(cabinetPath);
    FileDescriptor out(::open(destination.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0)
        return Fail(error, SystemError(QStringLiteral("cannot create"), cabinetPath));

    // A half-written cabinet is of no use to anyone; do not leave one behind.
    auto discard = [&] {
        out.close();
        ::unlink(destination.constData());
        return false;
    };
    if (!WriteAll(out.get(), head.data(), head.size())) {
        Fail(error, SystemError(QStringLiteral("cannot write"), cabinetPath));
        return discard();
    }
    quint32 dataBytes = 0;
    if (!WriteBody(out.get(), members, total, &dataBytes, error))
        return discard();

    const quint32 cabinetSize = quint32(dataStart) + dataBytes;
    const std::uint8_t sizeField[4] = {std::uint8_t(cabinetSize), std::uint8_t(cabinetSize >> 8),
                                       std::uint8_t(cabinetSize >> 16), std::uint8_t(cabinetSize >> 24)};
    if (::pwrite(out.get(), sizeField, 4, 8) != 4) {
        Fail(error, SystemError(QStringLiteral("cannot write"), cabinetPath));
        return discard();
    }
    if (!out.close()) {
        Fail(error, SystemError(QStringLiteral("cannot finish"), cabinetPath));
        return discard();
    }
    return true;
}

bool WriteCabinet(const QString& cabinetPath, const QString& sourcePath, const QString& memberName, QString* error)
{
    return WriteCabinet(cabinetPath, QList<CabinetSource>{{sourcePath, memberName}}, error);
}

} // namespace vq
