#pragma once

#include <QtGlobal>

#include <mspack.h>

namespace vq::cab {

// Caps on what is written; negative means no limit.
struct WriteLimits {
    qint64 perFile = -1;   // for each file opened for writing from now on
    qint64 total = -1;     // for all files together, counting down
    bool reached = false;  // set once a write was refused for passing a cap
};

// The I/O layer handed to libmspack. Our own rather than the library's
// default so that members are created exclusively (never through a link left
// in the folder), only regular files are read, and what is written can be
// capped: per file, so a member cannot grow past the size it declared, and in
// all, so a cabinet cannot fill the disk.
class ReaderIo {
public:
    ReaderIo();
    ReaderIo(const ReaderIo&) = delete;
    ReaderIo& operator=(const ReaderIo&) = delete;

    [[nodiscard]] mspack_system* system() { return &m_system; }
    [[nodiscard]] WriteLimits& limits() { return m_limits; }
    // Set when the last of a file's writes, made as it closes, failed.
    [[nodiscard]] bool writeFailed() const { return m_writeFailed; }
    void noteWriteFailed() { m_writeFailed = true; }

private:
    mspack_system m_system; // first, so libmspack's pointer converts back
    WriteLimits m_limits;
    bool m_writeFailed = false;
};

} // namespace vq::cab
