#include "model/cabinet/ReaderIo.h"

#include "model/cabinet/PosixFile.h"

#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq::cab {

namespace {

struct File {
    WriteLimits* limits;
    int fd;
    qint64 left; // bytes this file may still receive; negative = unlimited
};

File* AsFile(mspack_file* f)
{
    return reinterpret_cast<File*>(f);
}

mspack_file* Open(mspack_system* self, const char* filename, int mode)
{
    int fd = -1;
    if (mode == MSPACK_SYS_OPEN_READ) {
        fd = ::open(filename, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd);
            return nullptr;
        }
    } else if (mode == MSPACK_SYS_OPEN_WRITE) {
        fd = ::open(filename, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0)
        return nullptr;
    // Plain C memory: the library owns this handle between open and close.
    auto* file = static_cast<File*>(std::malloc(sizeof(File)));
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    WriteLimits& limits = reinterpret_cast<ReaderIo*>(self)->limits();
    file->limits = &limits;
    file->fd = fd;
    file->left = mode == MSPACK_SYS_OPEN_WRITE ? limits.perFile : -1;
    return reinterpret_cast<mspack_file*>(file);
}

void Close(mspack_file* f)
{
    if (!f)
        return;
    ::close(AsFile(f)->fd);
    std::free(f);
}

int Read(mspack_file* f, void* buffer, int bytes)
{
    if (bytes < 0)
        return -1;
    return int(ReadFull(AsFile(f)->fd, static_cast<std::uint8_t*>(buffer), std::size_t(bytes)));
}

int Write(mspack_file* f, void* buffer, int bytes)
{
    File* file = AsFile(f);
    WriteLimits& limits = *file->limits;
    if (bytes < 0)
        return -1;
    // Refused whole: nothing past a cap reaches the disk.
    if ((file->left >= 0 && bytes > file->left) || (limits.total >= 0 && bytes > limits.total)) {
        limits.reached = true;
        return -1;
    }
    if (file->left >= 0)
        file->left -= bytes;
    if (limits.total >= 0)
        limits.total -= bytes;
    return WriteAll(file->fd, static_cast<const std::uint8_t*>(buffer), std::size_t(bytes)) ? bytes : -1;
}

int Seek(mspack_file* f, off_t offset, int mode)
{
    int whence = SEEK_SET;
    if (mode == MSPACK_SYS_SEEK_CUR)
        whence = SEEK_CUR;
    else if (mode == MSPACK_SYS_SEEK_END)
        whence = SEEK_END;
    else if (mode != MSPACK_SYS_SEEK_START)
        return -1;
    return ::lseek(AsFile(f)->fd, offset, whence) < 0 ? -1 : 0;
}

off_t Tell(mspack_file* f)
{
    return ::lseek(AsFile(f)->fd, 0, SEEK_CUR);
}

// The library's notes about damaged input are not for the user; the failing
// call reports the outcome.
void Message(mspack_file*, const char*, ...) {}

void* Alloc(mspack_system*, size_t bytes)
{
    return std::malloc(bytes);
}

void Free(void* p)
{
    std::free(p);
}

void Copy(void* src, void* dest, size_t bytes)
{
    std::memcpy(dest, src, bytes);
}

} // namespace

ReaderIo::ReaderIo() : m_system{Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr} {}

} // namespace vq::cab
