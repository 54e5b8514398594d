#include "engine/EntryList.h"

namespace nebu {

void TEntryList::InsertBySize(const std::string& name, std::int64_t size, std::int32_t position) {
    // Searching from the tail keeps filling from an already ascending source
    // (the usual case) linear overall.
    std::size_t at = entries_.size();
    while (at > 0 && entries_[at - 1].size > size) --at;
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at),
                    Entry{name, size, true, position});
    ++count_;
    cur_ = entries_.size();
}

void TEntryList::Append(const std::string& name, std::int64_t size, std::int32_t position) {
    entries_.push_back(Entry{name, size, true, position});
    ++count_;
    cur_ = entries_.size();
}

bool TEntryList::CopyCurrent(std::int64_t& size, std::string& name) const {
    if (cur_ >= entries_.size()) return false;
    size = entries_[cur_].size;
    name = entries_[cur_].name;
    return true;
}

bool TEntryList::First(std::int64_t& size, std::string& name) {
    cur_ = 0;
    return CopyCurrent(size, name);
}

bool TEntryList::Next(std::int64_t& size, std::string& name) {
    if (cur_ >= entries_.size()) return false;
    ++cur_;
    return CopyCurrent(size, name);
}

bool TEntryList::SeekActive(std::size_t from, std::int64_t& size, std::string& name) {
    cur_ = from;
    while (cur_ < entries_.size() && !entries_[cur_].active) ++cur_;
    return CopyCurrent(size, name);
}

bool TEntryList::FirstActive(std::int64_t& size, std::string& name) {
    return SeekActive(0, size, name);
}

bool TEntryList::NextActive(std::int64_t& size, std::string& name) {
    if (cur_ >= entries_.size()) return false;
    return SeekActive(cur_ + 1, size, name);
}

void TEntryList::DeactivateCurrent() {
    // Deactivating twice must not count the entry twice: Count reaching 0 is
    // what tells a complete one-to-one match.
    if (cur_ >= entries_.size() || !entries_[cur_].active) return;
    entries_[cur_].active = false;
    --count_;
}

void TEntryList::Clear() {
    entries_.clear();
    count_ = 0;
    cur_ = 0;
}

}  // namespace nebu
