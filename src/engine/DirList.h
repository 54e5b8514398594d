#pragma once
// Directory names; new names go to the head, so iteration runs from the most
// recently added name to the first one added.

#include <cstdint>
#include <string>
#include <vector>

namespace nebu {

class TDirList {
  public:
    void Add(const std::string& name);
    bool First(std::string& name);
    bool Next(std::string& name);
    void Clear();
    std::int32_t Count() const { return static_cast<std::int32_t>(names_.size()); }
    // Names in the order they were added (the reverse of iteration order).
    const std::vector<std::string>& InAddedOrder() const { return names_; }

  private:
    std::vector<std::string> names_;  // in order of addition
    std::size_t cur_ = 0;             // iteration steps taken from the back
};

}  // namespace nebu
