#include "imaging/KeptThreads.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vq {

namespace {

class KeptThreads {
public:
    void run(int wanted, const std::function<void(int, int)>& body)
    {
        const std::lock_guard batch(m_batch);
        const int count = std::clamp(wanted, 1, std::max(1, int(std::thread::hardware_concurrency())));
        std::unique_lock lock(m_mutex);
        for (; m_started < count; ++m_started) {
            // Never joined: idle, a kept thread waits for the next batch and
            // touches nothing else. It starts from the generation before this
            // batch's, so this batch is the first it sees.
            std::thread([this, index = m_started, from = m_generation] { serve(index, from); }).detach();
        }
        m_body = &body;
        m_taking = count;
        m_left = count;
        ++m_generation;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_left == 0; });
        m_body = nullptr;
    }

private:
    void serve(int index, unsigned long seen)
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [&] { return m_generation != seen; });
            seen = m_generation;
            if (index >= m_taking)
                continue;
            const std::function<void(int, int)>* body = m_body;
            const int count = m_taking;
            lock.unlock();
            (*body)(index, count);
            lock.lock();
            if (--m_left == 0)
                m_changed.notify_all();
        }
    }

    std::mutex m_batch;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_started = 0;
    const std::function<void(int, int)>* m_body = nullptr;
    unsigned long m_generation = 0;
    int m_taking = 0;
    int m_left = 0;
};

} // namespace

void RunOnKeptThreads(int threads, const std::function<void(int index, int count)>& body)
{
    // Never destroyed: its threads outlive every static.
    static KeptThreads* const kept = new KeptThreads;
    kept->run(threads, body);
}

} // namespace vq
