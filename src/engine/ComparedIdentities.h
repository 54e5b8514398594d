#pragma once
// What each file looked like when it was last compared (an archive: when it
// was listed or read), for the check made just before a duplicate is
// deleted: neither file may have changed since.

#include <optional>
#include <string>
#include <unordered_map>

#include "platform/FileIdentity.h"

namespace nebu {

class ComparedIdentities {
  public:
    void Remember(const std::string& path, const platform::FileIdentity& identity) {
        compared_[path] = identity;
    }
    void Forget(const std::string& path) { compared_.erase(path); }
    void Clear() { compared_.clear(); }
    // What the last comparison of `path` saw, without looking at it again.
    std::optional<platform::FileIdentity> Of(const std::string& path) const {
        const auto found = compared_.find(path);
        if (found == compared_.end()) return std::nullopt;
        return found->second;
    }
    bool Unchanged(const std::string& path) const {
        const auto found = compared_.find(path);
        if (found == compared_.end()) return false;
        const std::optional<platform::FileIdentity> now = platform::IdentityOfPath(path);
        return now && *now == found->second;
    }

  private:
    std::unordered_map<std::string, platform::FileIdentity> compared_;
};

}  // namespace nebu
