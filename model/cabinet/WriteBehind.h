#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace vq::cab {

// Writes to a file descriptor on a thread of its own, so that whoever
// produces the bytes (the decompressor of a document being opened) goes on
// while the kernel copies the last chunk into the page cache. Chunks are
// written in order; at most a few are held at a time.
class WriteBehind {
public:
    explicit WriteBehind(int fd);
    ~WriteBehind();
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // False once any earlier write failed; nothing more is written then.
    bool write(const std::uint8_t* data, std::size_t size);
    // Writes what is held and waits for it; false if any write failed.
    bool finish();

private:
    void run();
    void handOver();

    static constexpr std::size_t kChunkBytes = std::size_t(1) << 20;
    static constexpr std::size_t kMaxChunks = 4;

    int m_fd;
    std::vector<std::uint8_t> m_filling;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<std::uint8_t>> m_queue;
    std::vector<std::vector<std::uint8_t>> m_spare; // written, to be filled again
    bool m_writing = false;
    bool m_failed = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace vq::cab
