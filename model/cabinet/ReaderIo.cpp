#include "model/cabinet/ReaderIo.h"

#include "model/cabinet/PosixFile.h"
#include "model/cabinet/WriteBehind.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq::cab {

namespace {

// libmspack asks for a few bytes of block header, then a block of at most
// 32 KiB, and writes each block as it comes: for a document of photographs
// tens of thousands of system calls. Reads come from a buffer of their own;
// writes are made on a thread of their own, so that the decompressor goes on
// while the kernel copies what it wrote before.
constexpr std::size_t kReadAheadBytes = std::size_t(1) << 20;

struct File {
    ReaderIo* io;
    int fd;
    qint64 left;          // bytes this file may still receive; negative = unlimited
    WriteBehind* behind;  // writing only
    std::uint8_t* buffer; // reading only
    std::size_t used;     // bytes in the buffer
    std::size_t taken;    // bytes of the buffer already handed out
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
    const bool writing = mode == MSPACK_SYS_OPEN_WRITE;
    auto* file = static_cast<File*>(std::malloc(sizeof(File)));
    auto* buffer = writing ? nullptr : static_cast<std::uint8_t*>(std::malloc(kReadAheadBytes));
    if (!file || (!writing && !buffer)) {
        std::free(file);
        std::free(buffer);
        ::close(fd);
        return nullptr;
    }
    auto* io = reinterpret_cast<ReaderIo*>(self);
    file->io = io;
    file->fd = fd;
    file->left = writing ? io->limits().perFile : -1;
    file->behind = writing ? new WriteBehind(fd) : nullptr;
    file->buffer = buffer;
    file->used = 0;
    file->taken = 0;
    return reinterpret_cast<mspack_file*>(file);
}

void Close(mspack_file* f)
{
    if (!f)
        return;
    File* file = AsFile(f);
    // The library has no word for a close that fails: writes that fail
    // behind its back are told to the extraction through the I/O layer.
    if (file->behind) {
        if (!file->behind->finish())
            file->io->noteWriteFailed();
        delete file->behind;
    }
    ::close(file->fd);
    std::free(file->buffer);
    std::free(file);
}

int Read(mspack_file* f, void* buffer, int bytes)
{
    File* file = AsFile(f);
    if (bytes < 0 || !file->buffer)
        return -1;
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t wanted = std::size_t(bytes);
    std::size_t done = 0;
    while (wanted > 0) {
        if (file->taken == file->used) {
            if (wanted >= kReadAheadBytes) {
                const ssize_t n = ReadFull(file->fd, out + done, wanted);
                if (n < 0)
                    return -1;
                done += std::size_t(n);
                break;
            }
            const ssize_t n = ReadFull(file->fd, file->buffer, kReadAheadBytes);
            if (n < 0)
                return -1;
            file->used = std::size_t(n);
            file->taken = 0;
            if (n == 0)
                break;
        }
        const std::size_t part = std::min(wanted, file->used - file->taken);
        std::memcpy(out + done, file->buffer + file->taken, part);
        file->taken += part;
        done += part;
        wanted -= part;
    }
    return int(done);
}

int Write(mspack_file* f, void* buffer, int bytes)
{
    File* file = AsFile(f);
    WriteLimits& limits = file->io->limits();
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
    if (!file->behind)
        return -1;
    return file->behind->write(static_cast<const std::uint8_t*>(buffer), std::size_t(bytes)) ? bytes : -1;
}

int Seek(mspack_file* f, off_t offset, int mode)
{
    File* file = AsFile(f);
    if (file->behind && !file->behind->finish())
        return -1;
    int whence = SEEK_SET;
    if (mode == MSPACK_SYS_SEEK_CUR)
        whence = SEEK_CUR;
    else if (mode == MSPACK_SYS_SEEK_END)
        whence = SEEK_END;
    else if (mode != MSPACK_SYS_SEEK_START)
        return -1;
    if (file->buffer) {
        // The descriptor stands at the end of what was read ahead.
        if (whence == SEEK_CUR)
            offset -= off_t(file->used - file->taken);
        file->used = 0;
        file->taken = 0;
    }
    return ::lseek(file->fd, offset, whence) < 0 ? -1 : 0;
}

off_t Tell(mspack_file* f)
{
    File* file = AsFile(f);
    // Rarely asked: the writes are let land rather than counted.
    if (file->behind && !file->behind->finish())
        return -1;
    const off_t at = ::lseek(file->fd, 0, SEEK_CUR);
    if (at < 0 || !file->buffer)
        return at;
    return at - off_t(file->used - file->taken);
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
