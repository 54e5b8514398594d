// The synchronous call: every call runs on the main thread, in the order
// posted, and the worker goes on only after its call has run, however the
// two threads' watching and sleeping interleave.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "cli/MainThreadCalls.h"

namespace nebu::cli {
namespace {

using Clock = std::chrono::steady_clock;

// Serves calls on this thread until the worker says it has ended.
void ServeUntilEnded(MainThreadCalls& calls, const std::atomic<bool>& ended) {
    for (;;) {
        calls.WaitForWork(Clock::now() + std::chrono::seconds(30));
        const bool last = ended.load();
        calls.RunPosted();
        if (last) return;
    }
}

TEST(MainThreadCallsTest, EveryCallRunsOnTheMainThreadInOrderBeforeTheWorkerGoesOn) {
    MainThreadCalls calls;
    const std::thread::id mainId = std::this_thread::get_id();
    std::vector<int> ran;  // touched by calls only, on the main thread
    std::atomic<bool> ended{false};
    int wrongThread = 0;
    int notYetRun = 0;

    std::thread worker([&] {
        std::mt19937 random(7);
        for (int i = 0; i < 20000; ++i) {
            // Pauses of every length around the watching times, so that
            // both sides are sometimes awake and sometimes asleep.
            if (random() % 50 == 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
            }
            calls.Invoke([&, i] {
                if (std::this_thread::get_id() != mainId) ++wrongThread;
                ran.push_back(i);
            });
            // The call has run: its effect is visible here, with no lock.
            if (ran.empty() || ran.back() != i) ++notYetRun;
        }
        ended = true;
        calls.Wake();
    });
    ServeUntilEnded(calls, ended);
    worker.join();

    EXPECT_EQ(wrongThread, 0);
    EXPECT_EQ(notYetRun, 0);
    ASSERT_EQ(ran.size(), 20000u);
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(ran[i], i);
}

TEST(MainThreadCallsTest, AWaitEndsAtItsDeadlineOrWhenWoken) {
    MainThreadCalls calls;
    // Nothing posted: the wait ends by itself at the deadline.
    const auto start = Clock::now();
    calls.WaitForWork(start + std::chrono::milliseconds(20));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(20));

    // Woken from another thread long before a far deadline.
    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        calls.Wake();
    });
    calls.WaitForWork(Clock::now() + std::chrono::hours(1));
    waker.join();

    // A wake that came before the wait is not lost either.
    calls.Wake();
    calls.WaitForWork(Clock::now() + std::chrono::hours(1));
}

}  // namespace
}  // namespace nebu::cli
