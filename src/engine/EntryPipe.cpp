#include "engine/EntryPipe.h"

#include <exception>
#include <thread>
#include <utility>

namespace nebu {

namespace {

// Enough to keep both threads busy; small beside the memory budget.
constexpr std::size_t kMaxQueuedBytes = 8u << 20;
constexpr std::size_t kMaxQueued = 1024;
constexpr std::size_t kMaxSpare = 64;
constexpr std::size_t kWakeBatch = 64;

}  // namespace

void EntryPipe::Run(const std::function<void()>& produce) {
    if (!threaded_) {
        produce();
        return;
    }
    std::exception_ptr failed;
    std::thread producer([&] {
        try {
            produce();
        } catch (...) {
            failed = std::current_exception();
        }
        const std::lock_guard lock(mutex_);
        produced_ = true;
        changed_.notify_all();
    });
    try {
        // Whatever has queued up is taken at once, so that the two threads
        // meet once per batch rather than once per entry.
        std::deque<TakenEntry> batch;
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return !queue_.empty() || produced_; });
                if (queue_.empty()) break;
                batch.swap(queue_);
                queuedBytes_ = 0;
                changed_.notify_all();
            }
            for (TakenEntry& entry : batch) consume_(entry);
            const std::lock_guard lock(mutex_);
            unfinished_ -= batch.size();
            for (TakenEntry& entry : batch) {
                if (spare_.size() < kMaxSpare) spare_.push_back(std::move(entry.bytes));
            }
            batch.clear();
            changed_.notify_all();
        }
    } catch (...) {
        {
            const std::lock_guard lock(mutex_);
            cancelled_ = true;
            changed_.notify_all();
        }
        producer.join();
        throw;
    }
    producer.join();
    if (failed) std::rethrow_exception(failed);
}

bool EntryPipe::Put(TakenEntry&& entry) {
    if (!threaded_) {
        consume_(entry);
        Recycle(std::move(entry.bytes));
        return true;
    }
    std::unique_lock lock(mutex_);
    const auto room = [&] {
        return cancelled_ || queue_.empty() ||
               (queue_.size() < kMaxQueued && queuedBytes_ + entry.bytes.size() <= kMaxQueuedBytes);
    };
    // A full queue is handed over before waiting for room, whatever its size.
    if (!room()) changed_.notify_all();
    changed_.wait(lock, room);
    if (cancelled_) return false;
    queuedBytes_ += entry.bytes.size();
    ++unfinished_;
    queue_.push_back(std::move(entry));
    // The consumer is woken for a batch, not for every entry; Drain and the
    // end of production wake it for whatever is left.
    if (queue_.size() >= kWakeBatch || queuedBytes_ >= kMaxQueuedBytes / 2) changed_.notify_all();
    return true;
}

bool EntryPipe::Drain() {
    if (!threaded_) return true;
    std::unique_lock lock(mutex_);
    changed_.notify_all();
    changed_.wait(lock, [&] { return cancelled_ || unfinished_ == 0; });
    return !cancelled_;
}

std::string EntryPipe::Buffer() {
    std::unique_lock lock(mutex_, std::defer_lock);
    if (threaded_) lock.lock();
    if (spare_.empty()) return {};
    std::string buffer = std::move(spare_.back());
    spare_.pop_back();
    return buffer;
}

void EntryPipe::Recycle(std::string&& bytes) {
    if (spare_.size() < kMaxSpare) spare_.push_back(std::move(bytes));
}

}  // namespace nebu
