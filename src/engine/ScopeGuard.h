#pragma once
// Runs a clean-up when its scope ends, by return or by exception alike.

#include <utility>

namespace nebu {

template <typename CleanUp>
class ScopeGuard {
  public:
    explicit ScopeGuard(CleanUp cleanUp) : cleanUp_(std::move(cleanUp)) {}
    ~ScopeGuard() { cleanUp_(); }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

  private:
    CleanUp cleanUp_;
};

}  // namespace nebu
