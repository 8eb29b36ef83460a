#include "model/cabinet/PosixFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vq::cab {

bool FileDescriptor::close()
{
    const int fd = std::exchange(m_fd, -1);
    return fd < 0 || ::close(fd) == 0;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

ssize_t ReadFull(int fd, std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    return ssize_t(done);
}

bool SyncFile(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

void SyncFolder(const QString& folder)
{
    FileDescriptor fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        SyncFile(fd.get());
}

bool CopyContents(int from, int to)
{
    constexpr std::size_t kChunk = std::size_t(1) << 20;
    std::vector<std::uint8_t> buffer(kChunk);
    if (::lseek(from, 0, SEEK_SET) < 0 || ::lseek(to, 0, SEEK_SET) < 0)
        return false;
    off_t total = 0;
    for (;;) {
        const ssize_t n = ReadFull(from, buffer.data(), kChunk);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!WriteAll(to, buffer.data(), std::size_t(n)))
            return false;
        total += n;
    }
    return ::ftruncate(to, total) == 0 && SyncFile(to);
}

bool OverwriteFile(const QString& target, int from)
{
    FileDescriptor to(::open(QFile::encodeName(target).constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (to.get() < 0 || ::fstat(to.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return CopyContents(from, to.get()) && to.close();
}

qint64 FreeDiskSpace(const QString& folder)
{
    struct statvfs st {};
    if (::statvfs(QFile::encodeName(folder).constData(), &st) != 0)
        return -1;
    return qint64(st.f_bavail) * qint64(st.f_frsize);
}

QString SystemError(const QString& what, const QString& path)
{
    return QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace vq::cab
