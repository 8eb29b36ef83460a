// Work run on threads kept from one batch to the next.
#include "imaging/KeptThreads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

namespace vq {
namespace {

TEST(KeptThreads, RunsTheBodyOnEveryThreadAtOnceAndKeepsTheThreads)
{
    const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
    std::mutex mutex;
    const auto batch = [&](std::set<std::thread::id>& ids) {
        std::atomic<int> arrived{0};
        std::atomic<bool> allTogether{true};
        RunOnKeptThreads(threads, [&] {
            {
                const std::lock_guard lock(mutex);
                ids.insert(std::this_thread::get_id());
            }
            // Every thread is in the body before any leaves it.
            ++arrived;
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (arrived.load() < threads && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
            if (arrived.load() < threads)
                allTogether = false;
        });
        EXPECT_EQ(arrived.load(), threads) << "returns once every thread is done";
        EXPECT_TRUE(allTogether.load());
    };
    std::set<std::thread::id> first, second;
    batch(first);
    batch(second);
    EXPECT_EQ(int(first.size()), threads);
    EXPECT_EQ(first, second) << "the same threads serve the next batch";
    EXPECT_EQ(first.count(std::this_thread::get_id()), 0u) << "the caller only waits";

    // A batch of fewer takes some of the same threads; none still runs once.
    std::set<std::thread::id> single;
    RunOnKeptThreads(0, [&] { single.insert(std::this_thread::get_id()); });
    EXPECT_EQ(single.size(), 1u);
    EXPECT_EQ(first.count(*single.begin()), 1u);
}

} // namespace
} // namespace vq
