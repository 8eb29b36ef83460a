// Work run on threads kept from one batch to the next.
#include "imaging/KeptThreads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace vq {
namespace {

TEST(KeptThreads, RunsTheBodyOnEveryThreadAtOnceAndKeepsTheThreads)
{
    const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
    std::mutex mutex;
    const auto batch = [&](std::map<int, std::thread::id>& ids) {
        std::atomic<int> arrived{0};
        std::atomic<bool> allTogether{true};
        RunOnKeptThreads(threads, [&](int index, int count) {
            {
                const std::lock_guard lock(mutex);
                EXPECT_EQ(count, threads);
                EXPECT_TRUE(ids.emplace(index, std::this_thread::get_id()).second) << "index " << index << " twice";
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
    std::map<int, std::thread::id> first, second;
    batch(first);
    batch(second);
    ASSERT_EQ(int(first.size()), threads);
    EXPECT_EQ(first.begin()->first, 0);
    EXPECT_EQ(first.rbegin()->first, threads - 1);
    EXPECT_EQ(first, second) << "the same thread serves the same index in the next batch";
    for (const auto& [index, id] : first)
        EXPECT_NE(id, std::this_thread::get_id()) << "the caller only waits";

    // A batch of fewer takes the first of the same threads; none still runs once.
    std::map<int, std::thread::id> single;
    RunOnKeptThreads(0, [&](int index, int count) {
        EXPECT_EQ(count, 1);
        single.emplace(index, std::this_thread::get_id());
    });
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single.begin()->first, 0);
    EXPECT_EQ(single.begin()->second, first.at(0));
}

} // namespace
} // namespace vq
