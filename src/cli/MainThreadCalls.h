#pragma once
// The synchronous call from the worker onto the main thread: the worker posts
// a call and waits until the main thread has run it.
//
// Every log line and every pair is one such call, so a run with thousands of
// pairs makes thousands of round trips. Putting a thread to sleep and waking
// it costs far more than the call itself (tens of microseconds on a virtual
// machine, for a call that pushes one line onto a queue), so each side first
// watches for the other for a short while and sleeps only when nothing comes.
// Calls come in bursts (one line and one pair per duplicate found), so the
// watching pays off within a burst and stops soon after it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace nebu::cli {

class MainThreadCalls {
  public:
    MainThreadCalls();

    // Worker: runs `call` on the main thread; returns once it has run there.
    void Invoke(const std::function<void()>& call);

    // Main thread: runs every call posted so far, oldest first.
    void RunPosted();

    // Main thread: returns when a call has been posted, `Wake` was called, or
    // `until` has passed, whichever comes first.
    void WaitForWork(std::chrono::steady_clock::time_point until);

    // Any thread: makes a pending or the next WaitForWork return (for
    // example when the worker has ended).
    void Wake();

  private:
    bool WorkWaiting() const;

    const bool spin_;
    std::mutex mutex_;
    std::condition_variable posted_;
    std::condition_variable done_;
    std::deque<const std::function<void()>*> calls_;
    std::atomic<std::uint64_t> submitted_{0};
    std::atomic<std::uint64_t> finished_{0};
    std::atomic<bool> woken_{false};
    // Set under the mutex by a side about to sleep, so the other side knows
    // it must notify; while both are awake no notification is needed.
    bool mainAsleep_ = false;
    bool workerAsleep_ = false;
};

}  // namespace nebu::cli
