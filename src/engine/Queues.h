#pragma once
// First-in first-out queues through which the worker hands texts and
// same-pairs to the main thread. A host that lets the worker push straight
// into them (NebuHost::QueueDirectly) has the worker and the main thread
// touch them at once, so every operation holds the queue's lock.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "engine/SamePair.h"

namespace nebu {

template <typename Item>
class LockedQueue {
  public:
    void Push(const Item& item) {
        std::lock_guard lock(mutex_);
        items_.push_back(item);
    }
    bool Pop(Item& item) {
        std::lock_guard lock(mutex_);
        if (items_.empty()) return false;
        item = std::move(items_.front());
        items_.pop_front();
        return true;
    }
    // Everything queued so far, oldest first, in one step: a poll that
    // drains thousands of items takes the lock once.
    std::deque<Item> TakeAll() {
        std::deque<Item> taken;
        std::lock_guard lock(mutex_);
        taken.swap(items_);
        return taken;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        items_.clear();
    }
    bool Empty() const {
        std::lock_guard lock(mutex_);
        return items_.empty();
    }
    std::size_t Size() const {
        std::lock_guard lock(mutex_);
        return items_.size();
    }

  private:
    mutable std::mutex mutex_;
    std::deque<Item> items_;
};

class TMsgStr : public LockedQueue<std::string> {};
class TSameList : public LockedQueue<SamePairRec> {};

}  // namespace nebu
