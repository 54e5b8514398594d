#include "engine/EntryCache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace nebu {

namespace {
// Enough for an archive of a few hundred thousand small entries; bounded so
// that a run over large archives does not fill the temporary folder.
constexpr std::uint64_t kMaxBytes = 256ull << 20;
constexpr std::size_t kMaxFiles = 400000;
}  // namespace

void EntryCache::SetNeededSizes(std::vector<std::int64_t> sizes) {
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    needed_ = std::move(sizes);
}

bool EntryCache::Needed(std::int64_t size) const {
    return std::binary_search(needed_.begin(), needed_.end(), size);
}

bool EntryCache::EnsureFolder(const std::string& workFolder) {
    if (!folder_.empty()) return true;
    if (workFolder.empty()) return false;
    std::string folder = workFolder;
    if (folder.back() != '/') folder += '/';
    folder += "cache";
    if (::mkdir(folder.c_str(), 0700) != 0) return false;
    folder_ = folder;
    return true;
}

bool EntryCache::Fits(std::uint64_t moreBytes, std::size_t moreFiles) const {
    return bytes_ + moreBytes <= kMaxBytes && items_.size() + moreFiles <= kMaxFiles;
}

const EntryCache::Item* EntryCache::Find(const std::string& archive, std::int32_t position) const {
    const auto it = items_.find(Key(archive, position));
    return it == items_.end() ? nullptr : &it->second;
}

void EntryCache::Add(const std::string& archive, std::int32_t position, Item item) {
    if (const Item* old = Find(archive, position)) Remove(std::string(old->path));
    Key key(archive, position);
    if (!item.overflow) bytes_ += item.bytes;
    byPath_[item.path] = key;
    byTag_.emplace(item.tag, item.path);
    items_.emplace(std::move(key), std::move(item));
}

bool EntryCache::IsOverflow(const std::string& path) const {
    const auto it = byPath_.find(path);
    return it != byPath_.end() && items_.at(it->second).overflow;
}

void EntryCache::Remove(const std::string& path) {
    const auto it = byPath_.find(path);
    if (it == byPath_.end()) return;
    const auto item = items_.find(it->second);
    if (!item->second.overflow) bytes_ -= item->second.bytes;
    auto [from, to] = byTag_.equal_range(item->second.tag);
    for (; from != to; ++from) {
        if (from->second == path) {
            byTag_.erase(from);
            break;
        }
    }
    ::unlink(path.c_str());
    items_.erase(item);
    byPath_.erase(it);
}

void EntryCache::DropUpTo(std::int64_t tag) {
    while (!byTag_.empty() && byTag_.begin()->first <= tag) {
        Remove(std::string(byTag_.begin()->second));
    }
}

void EntryCache::DropAll() {
    for (const auto& [key, item] : items_) ::unlink(item.path.c_str());
    items_.clear();
    byPath_.clear();
    byTag_.clear();
    bytes_ = 0;
}

void EntryCache::RemoveFolder() {
    DropAll();
    needed_.clear();
    if (!folder_.empty()) ::rmdir(folder_.c_str());
    folder_.clear();
}

}  // namespace nebu
