#pragma once
// Archive entry lists: TArcList hangs on a stored whole-archive record and
// stays in ascending size order; TTmpList rides in a value record and keeps
// the order of filling. Both share one layout and one set of operations.

#include <cstdint>
#include <string>
#include <vector>

namespace nebu {

class TEntryList {
  public:
    // New active entry after the last entry whose size is <= `size`.
    // `position` is where the entry stands in its archive, -1 when unknown.
    void InsertBySize(const std::string& name, std::int64_t size, std::int32_t position = -1);
    void Append(const std::string& name, std::int64_t size, std::int32_t position = -1);
    // Over all entries / over active entries only. False at the end.
    bool First(std::int64_t& size, std::string& name);
    bool Next(std::int64_t& size, std::string& name);
    bool FirstActive(std::int64_t& size, std::string& name);
    bool NextActive(std::int64_t& size, std::string& name);
    // The cursor entry becomes inactive; Count drops by one.
    void DeactivateCurrent();
    // Position in its archive of the cursor entry; -1 when there is none.
    std::int32_t CurrentPosition() const {
        return cur_ < entries_.size() ? entries_[cur_].position : -1;
    }
    void Clear();

    // Number of active entries.
    std::int32_t Count() const { return count_; }
    // Every entry, active or not, in stored order.
    std::size_t Size() const { return entries_.size(); }

    struct Entry {
        std::string name;
        std::int64_t size = 0;
        bool active = true;
        std::int32_t position = -1;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

  private:
    bool CopyCurrent(std::int64_t& size, std::string& name) const;
    bool SeekActive(std::size_t from, std::int64_t& size, std::string& name);

    std::vector<Entry> entries_;
    std::int32_t count_ = 0;
    std::size_t cur_ = 0;  // == entries_.size() when there is no current entry
};

using TArcList = TEntryList;
using TTmpList = TEntryList;

}  // namespace nebu
