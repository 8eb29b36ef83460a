#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <utility>

#include <sys/types.h>

namespace vq::cab {

// Owns one open file descriptor.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(FileDescriptor&& o) noexcept : m_fd(std::exchange(o.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& o) noexcept
    {
        if (this != &o) {
            close();
            m_fd = std::exchange(o.m_fd, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    [[nodiscard]] int get() const { return m_fd; }
    // False when closing reports an error, which for a file just written can
    // be the first sign that its data did not reach the disk.
    bool close();

private:
    int m_fd;
};

// Writes everything, retrying interrupted and partial writes.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size);
// Reads until `size` bytes or the end of the file; the count read, or -1.
ssize_t ReadFull(int fd, std::uint8_t* data, std::size_t size);
// Flushes the file to the disk; false when it could not be.
bool SyncFile(int fd);
// Flushes the folder's entries, so a file just renamed into it stays renamed
// after a power cut. Failures are ignored: some file systems cannot sync a
// folder, and the rename has happened whatever they say.
void SyncFolder(const QString& folder);
// Writes everything `from` holds into `to` from its start, cuts `to` to that
// length and syncs it. `to` keeps its identity: owner, permissions, links.
bool CopyContents(int from, int to);
// Rewrites the existing regular file `target` in place with everything
// `from` holds, by CopyContents(). Never creates a file.
bool OverwriteFile(const QString& target, int from);
// Bytes that an unprivileged user may still write to the disk holding
// `folder`; -1 when that cannot be told.
[[nodiscard]] qint64 FreeDiskSpace(const QString& folder);
// "<what> <path>: <reason from errno>".
[[nodiscard]] QString SystemError(const QString& what, const QString& path);

} // namespace vq::cab
