#include "model/cabinet/WriteBehind.h"

#include "model/cabinet/PosixFile.h"

#include <algorithm>

namespace vq::cab {

WriteBehind::WriteBehind(int fd) : m_fd(fd), m_thread([this] { run(); })
{
    m_filling.reserve(kChunkBytes);
}

WriteBehind::~WriteBehind()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool WriteBehind::write(const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const std::size_t part = std::min(size, kChunkBytes - m_filling.size());
        m_filling.insert(m_filling.end(), data, data + part);
        data += part;
        size -= part;
        if (m_filling.size() == kChunkBytes)
            handOver();
    }
    std::lock_guard lock(m_mutex);
    return !m_failed;
}

void WriteBehind::handOver()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failed || m_queue.size() < kMaxChunks; });
    if (m_failed) {
        m_filling.clear();
        return;
    }
    m_queue.push_back(std::move(m_filling));
    m_changed.notify_all();
    // Chunks are used again: fresh memory for every megabyte would cost a
    // page fault per page.
    if (!m_spare.empty()) {
        m_filling = std::move(m_spare.back());
        m_spare.pop_back();
    } else {
        m_filling = {};
        m_filling.reserve(kChunkBytes);
    }
    m_filling.clear();
}

bool WriteBehind::finish()
{
    if (!m_filling.empty())
        handOver();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failed || (m_queue.empty() && !m_writing); });
    return !m_failed;
}

void WriteBehind::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        std::vector<std::uint8_t> chunk = std::move(m_queue.front());
        m_queue.pop_front();
        m_writing = true;
        lock.unlock();
        const bool written = WriteAll(m_fd, chunk.data(), chunk.size());
        lock.lock();
        m_writing = false;
        m_spare.push_back(std::move(chunk));
        if (!written) {
            m_failed = true;
            m_queue.clear();
        }
        m_changed.notify_all();
    }
}

} // namespace vq::cab
