// The ordered task runner and the range splitter that the readers, the
// writer and the point conversion share.

#include "engine/base/parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

using namespace veltrane;

namespace {

// Later tasks finish first: results must still arrive in the order added.
TEST(OrderedTasks, HandsResultsInTheOrderTheTasksWereAdded)
{
    for (const std::size_t depth : {std::size_t(1), std::size_t(2), std::size_t(4)}) {
        std::vector<int> received;
        const auto consume = [&received](int value) { received.push_back(value); };
        OrderedTasks<int> tasks(depth);
        constexpr int kTasks = 12;
        for (int i = 0; i < kTasks; ++i) {
            tasks.add(
                [i] {
                    std::this_thread::sleep_for(std::chrono::milliseconds((kTasks - i) % 4));
                    return i;
                },
                consume);
            // Never more than `depth` results outstanding.
            EXPECT_GE(received.size() + depth, std::size_t(i + 1)) << "depth " << depth;
        }
        tasks.finish(consume);
        std::vector<int> expected(kTasks);
        for (int i = 0; i < kTasks; ++i)
            expected[i] = i;
        EXPECT_EQ(received, expected) << "depth " << depth;
    }
}

// Many tasks run on the same few workers, none on the caller's thread: a
// worker's own counter goes on counting from task to task. A task's
// exception reaches the caller with its result.
TEST(OrderedTasks, RunsEveryTaskOnAFixedSetOfWorkers)
{
    constexpr std::size_t kDepth = 3;
    constexpr int kTasks = 200;
    std::vector<std::thread::id> ranOn;
    int mostOnOneThread = 0;
    OrderedTasks<std::pair<std::thread::id, int>> tasks(kDepth);
    const auto consume = [&](std::pair<std::thread::id, int> ran) {
        ranOn.push_back(ran.first);
        mostOnOneThread = std::max(mostOnOneThread, ran.second);
    };
    for (int i = 0; i < kTasks; ++i) {
        tasks.add(
            [] {
                thread_local int tasksOnThisThread = 0;
                return std::make_pair(std::this_thread::get_id(), ++tasksOnThisThread);
            },
            consume);
    }
    tasks.finish(consume);
    ASSERT_EQ(ranOn.size(), std::size_t(kTasks));
    EXPECT_GE(mostOnOneThread, kTasks / int(kDepth));
    std::sort(ranOn.begin(), ranOn.end());
    ranOn.erase(std::unique(ranOn.begin(), ranOn.end()), ranOn.end());
    EXPECT_LE(ranOn.size(), kDepth);
    EXPECT_EQ(std::count(ranOn.begin(), ranOn.end(), std::this_thread::get_id()), 0);

    OrderedTasks<int> failing(2);
    failing.add([]() -> int { throw std::runtime_error("task failed"); }, [](int) {});
    EXPECT_THROW(failing.finish([](int) {}), std::runtime_error);
}

TEST(OrderedTasks, DepthOneRunsEachTaskAtOnceOnTheCallersThread)
{
    OrderedTasks<std::thread::id> tasks(1);
    std::thread::id ranOn;
    tasks.add([] { return std::this_thread::get_id(); }, [&ranOn](std::thread::id id) { ranOn = id; });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

// With Cores::CallingThread the same ranges run in order on the caller alone:
// a block's worker converts its points so while other blocks use the cores.
TEST(ForEachRange, CoversEveryIndexOnceInRangesOfAtMostTheGrain)
{
    const std::thread::id caller = std::this_thread::get_id();
    for (const Cores cores : {Cores::All, Cores::CallingThread}) {
        for (const std::size_t count : {std::size_t(0), std::size_t(1), std::size_t(7), std::size_t(1000)}) {
            std::vector<int> hits(count, 0);
            std::mutex mutex;
            std::vector<std::pair<std::size_t, std::size_t>> ranges;
            bool onlyCaller = true;
            forEachRange(
                count, 64,
                [&](std::size_t begin, std::size_t end) {
                    // Slow enough that a helper thread, if started, takes some.
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    std::lock_guard<std::mutex> lock(mutex);
                    ranges.emplace_back(begin, end);
                    onlyCaller = onlyCaller && std::this_thread::get_id() == caller;
                    for (std::size_t i = begin; i < end; ++i)
                        ++hits[i];
                },
                cores);
            for (std::size_t i = 0; i < count; ++i)
                EXPECT_EQ(hits[i], 1) << "index " << i << " of " << count;
            for (const auto &range : ranges) {
                EXPECT_LT(range.first, range.second);
                EXPECT_LE(range.second - range.first, 64u);
                EXPECT_EQ(range.first % 64, 0u);
            }
            if (cores == Cores::CallingThread) {
                EXPECT_TRUE(onlyCaller) << "count " << count;
                EXPECT_TRUE(std::is_sorted(ranges.begin(), ranges.end())) << "count " << count;
            }
        }
    }
}

}  // namespace
