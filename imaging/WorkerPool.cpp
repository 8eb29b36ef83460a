#include "imaging/WorkerPool.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace vq {

namespace {

// Niceness of the worker threads. Linux schedules each thread on its own, so
// this lowers the workers alone: at 10 a thread gets about a tenth of the
// time a normal one gets on a shared core, enough to keep going while the
// window is busy without making it wait.
constexpr int kWorkerNiceness = 10;

class Workers {
public:
    static Workers& instance()
    {
        static Workers workers;
        return workers;
    }

    ~Workers()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
            m_queue.clear();
        }
        m_wake.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
    }

    void post(std::function<void()> job)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(std::move(job));
            if (m_idle == 0 && m_threads.size() < m_limit)
                m_threads.emplace_back([this] { work(); });
        }
        m_wake.notify_one();
    }

    void pause(int delta)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_paused += delta;
        }
        m_wake.notify_all();
    }

    void waitUntilIdle()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this] { return m_queue.empty() && m_running == 0; });
    }

private:
    Workers() : m_limit(std::max(1u, std::thread::hardware_concurrency())) {}

    void work()
    {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNiceness);
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            ++m_idle;
            m_wake.wait(lock, [this] { return m_stopping || (m_paused == 0 && !m_queue.empty()); });
            --m_idle;
            if (m_stopping)
                return;
            std::function<void()> job = std::move(m_queue.front());
            m_queue.pop_front();
            ++m_running;
            lock.unlock();
            job();
            // What the job held goes before anyone is told it is done.
            job = nullptr;
            lock.lock();
            --m_running;
            if (m_queue.empty() && m_running == 0)
                m_done.notify_all();
        }
    }

    const std::size_t m_limit;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<std::function<void()>> m_queue;
    std::vector<std::thread> m_threads;
    int m_idle = 0;
    int m_running = 0;
    int m_paused = 0;
    bool m_stopping = false;
};

} // namespace

void RunInBackground(std::function<void()> job)
{
    Workers::instance().post(std::move(job));
}

BackgroundWorkPause::BackgroundWorkPause()
{
    Workers::instance().pause(+1);
}

BackgroundWorkPause::~BackgroundWorkPause()
{
    Workers::instance().pause(-1);
}

void WaitForBackgroundWork()
{
    Workers::instance().waitUntilIdle();
}

} // namespace vq
