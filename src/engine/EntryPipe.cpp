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
        for (;;) {
            TakenEntry entry;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return !queue_.empty() || produced_; });
                if (queue_.empty()) break;
                entry = std::move(queue_.front());
                queue_.pop_front();
                queuedBytes_ -= entry.bytes.size();
                changed_.notify_all();
            }
            consume_(entry);
            const std::lock_guard lock(mutex_);
            --unfinished_;
            if (spare_.size() < kMaxSpare) spare_.push_back(std::move(entry.bytes));
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
    changed_.wait(lock, [&] {
        return cancelled_ || queue_.empty() ||
               (queue_.size() < kMaxQueued && queuedBytes_ + entry.bytes.size() <= kMaxQueuedBytes);
    });
    if (cancelled_) return false;
    queuedBytes_ += entry.bytes.size();
    ++unfinished_;
    queue_.push_back(std::move(entry));
    changed_.notify_all();
    return true;
}

bool EntryPipe::Drain() {
    if (!threaded_) return true;
    std::unique_lock lock(mutex_);
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
