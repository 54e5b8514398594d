#include "cli/MainThreadCalls.h"

#include <algorithm>
#include <thread>

namespace nebu::cli {

namespace {

using Clock = std::chrono::steady_clock;

// Long enough to cover the main thread's turn within a burst of calls (and
// its wake-up when it was asleep), short enough to cost nothing noticeable
// between bursts.
constexpr auto kWorkerWatch = std::chrono::microseconds(300);
constexpr auto kMainWatch = std::chrono::microseconds(150);

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Watches `ready` until it holds or `deadline` passes; the clock is read
// only now and then, because reading it costs more than one look.
template <typename Ready>
bool WatchFor(Ready&& ready, Clock::time_point deadline) {
    for (unsigned n = 1;; ++n) {
        if (ready()) return true;
        CpuRelax();
        if (n % 64 == 0 && Clock::now() >= deadline) return ready();
    }
}

}  // namespace

// Watching only helps when the two threads run at the same time; on one
// processor it would take the time the other side needs.
MainThreadCalls::MainThreadCalls() : spin_(std::thread::hardware_concurrency() > 1) {}

void MainThreadCalls::Invoke(const std::function<void()>& call) {
    std::uint64_t ticket = 0;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(&call);
        ticket = submitted_.load(std::memory_order_relaxed) + 1;
        submitted_.store(ticket, std::memory_order_release);
        if (mainAsleep_) posted_.notify_one();
    }
    auto done = [&] { return finished_.load(std::memory_order_acquire) >= ticket; };
    if (spin_ && WatchFor(done, Clock::now() + kWorkerWatch)) return;
    std::unique_lock lock(mutex_);
    workerAsleep_ = true;
    done_.wait(lock, done);
    workerAsleep_ = false;
}

void MainThreadCalls::RunPosted() {
    std::unique_lock lock(mutex_);
    while (!calls_.empty()) {
        const std::function<void()>* call = calls_.front();
        calls_.pop_front();
        lock.unlock();
        (*call)();
        lock.lock();
        finished_.fetch_add(1, std::memory_order_release);
        if (workerAsleep_) done_.notify_all();
    }
}

bool MainThreadCalls::WorkWaiting() const {
    return submitted_.load(std::memory_order_acquire) !=
               finished_.load(std::memory_order_relaxed) ||
           woken_.load(std::memory_order_acquire);
}

void MainThreadCalls::WaitForWork(Clock::time_point until) {
    if (spin_ &&
        WatchFor([this] { return WorkWaiting(); }, std::min(until, Clock::now() + kMainWatch))) {
        woken_.store(false, std::memory_order_relaxed);
        return;
    }
    std::unique_lock lock(mutex_);
    mainAsleep_ = true;
    posted_.wait_until(lock, until, [this] { return !calls_.empty() || woken_.load(); });
    mainAsleep_ = false;
    woken_.store(false, std::memory_order_relaxed);
}

void MainThreadCalls::Wake() {
    std::lock_guard lock(mutex_);
    woken_.store(true, std::memory_order_release);
    if (mainAsleep_) posted_.notify_one();
}

}  // namespace nebu::cli
