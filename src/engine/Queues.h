#pragma once
// First-in first-out queues through which the worker hands texts and
// same-pairs to the main thread. Touched on the main thread only.

#include <cstdint>
#include <deque>
#include <string>

#include "engine/SamePair.h"

namespace nebu {

class TMsgStr {
  public:
    void Push(const std::string& text) { items_.push_back(text); }
    bool Pop(std::string& text) {
        if (items_.empty()) return false;
        text = std::move(items_.front());
        items_.pop_front();
        return true;
    }
    void Clear() { items_.clear(); }
    bool Empty() const { return items_.empty(); }
    std::size_t Size() const { return items_.size(); }

  private:
    std::deque<std::string> items_;
};

class TSameList {
  public:
    void Push(const SamePairRec& rec) { items_.push_back(rec); }
    bool Pop(SamePairRec& rec) {
        if (items_.empty()) return false;
        rec = std::move(items_.front());
        items_.pop_front();
        return true;
    }
    void Clear() { items_.clear(); }
    bool Empty() const { return items_.empty(); }

  private:
    std::deque<SamePairRec> items_;
};

}  // namespace nebu
