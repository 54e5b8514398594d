#include "engine/EntryCache.h"

#include <algorithm>
#include <cerrno>

#include "platform/PathOpen.h"
#include "platform/WorkFiles.h"

namespace nebu {

namespace {
// Enough for an archive of a few hundred thousand small entries; bounded so
// that a run over large archives fills neither memory nor the temporary
// folder.
constexpr std::uint64_t kMaxMemory = 96ull << 20;
constexpr std::uint64_t kMaxDisk = 256ull << 20;
constexpr std::size_t kMaxFiles = 4096;

// Written over the bytes of the entry before, then cut to length: cutting
// to nothing first would give each entry new blocks (and on ext4 a flush on
// close).
bool WriteWhole(int fd, const std::string& data) {
    return platform::WriteAllAt(fd, data.data(), data.size(), 0) &&
           platform::Truncate(fd, static_cast<std::int64_t>(data.size()));
}
}  // namespace

EntryCache::~EntryCache() {
    CloseSlotFiles();
}

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
    if (!platform::MakePrivateFolder(folder)) return false;
    folder_ = folder;
    return true;
}

bool EntryCache::Fits(std::uint64_t moreMemory, std::uint64_t moreDisk,
                      std::size_t moreFiles) const {
    return memoryBytes_ + moreMemory <= kMaxMemory && diskBytes_ + moreDisk <= kMaxDisk &&
           byPath_.size() + moreFiles <= kMaxFiles;
}

bool EntryCache::FindKey(const std::string& archive, std::int32_t position, Key& key) const {
    const auto found = archives_.find(archive);
    if (found == archives_.end()) return false;
    key = KeyOf(found->second, position);
    return true;
}

EntryCache::Key EntryCache::MakeKey(const std::string& archive, std::int32_t position) {
    const auto [found, added] =
        archives_.try_emplace(archive, static_cast<std::uint32_t>(archives_.size()));
    return KeyOf(found->second, position);
}

const EntryCache::Item* EntryCache::Find(const std::string& archive, std::int32_t position) const {
    Key key = 0;
    if (!FindKey(archive, position, key)) return nullptr;
    const auto it = items_.find(key);
    return it == items_.end() ? nullptr : &it->second;
}

void EntryCache::Add(const std::string& archive, std::int32_t position, Item item) {
    const Key key = MakeKey(archive, position);
    Remove(key);
    if (!item.overflow) (item.InMemory() ? memoryBytes_ : diskBytes_) += item.bytes;
    if (!item.InMemory()) byPath_[item.path] = key;
    byTag_.emplace(item.tag, key);
    items_.emplace(key, std::move(item));
}

std::string EntryCache::Hand(const std::string& archive, std::int32_t position, int slot,
                             const std::string& slotFolder) {
    Key key = 0;
    if (!FindKey(archive, position, key)) return "";
    const auto it = items_.find(key);
    if (it == items_.end()) return "";
    if (!it->second.InMemory()) return it->second.path;
    if (slot < 0 || slot >= kSlots) return "";
    // Removed behind our back (a slot folder emptied for another extraction).
    if (slotFd_[slot] >= 0 && !platform::StillNamedBy(slotFd_[slot], slotPath_[slot])) {
        platform::CloseFile(slotFd_[slot]);
        slotFd_[slot] = -1;
    }
    if (slotFd_[slot] < 0) {
        std::string folder = slotFolder.empty() ? folder_ : slotFolder;
        if (folder.empty()) return "";
        if (folder.back() != '/') folder += '/';
        const std::string path = folder + "entry" + std::to_string(slot);
        slotFd_[slot] = platform::OpenPrivateFile(path);
        if (slotFd_[slot] < 0) return "";
        slotPath_[slot] = path;
    }
    const bool written = WriteWhole(slotFd_[slot], it->second.data);
    if (it->second.overflow) Remove(key);
    return written ? slotPath_[slot] : "";
}

bool EntryCache::IsOverflow(const std::string& path) const {
    const auto it = byPath_.find(path);
    return it != byPath_.end() && items_.at(it->second).overflow;
}

bool EntryCache::IsSlotFile(const std::string& path) const {
    return std::find(std::begin(slotPath_), std::end(slotPath_), path) != std::end(slotPath_) &&
           !path.empty();
}

void EntryCache::RemoveFile(const std::string& path) {
    const auto it = byPath_.find(path);
    if (it != byPath_.end()) Remove(it->second);
}

void EntryCache::Remove(Key key) {
    const auto item = items_.find(key);
    if (item == items_.end()) return;
    Item& found = item->second;
    if (!found.overflow) (found.InMemory() ? memoryBytes_ : diskBytes_) -= found.bytes;
    auto [from, to] = byTag_.equal_range(found.tag);
    for (; from != to; ++from) {
        if (from->second == key) {
            byTag_.erase(from);
            break;
        }
    }
    if (!found.InMemory()) {
        platform::UnlinkFile(found.path);
        byPath_.erase(found.path);
    }
    items_.erase(item);
}

void EntryCache::DropUpTo(std::int64_t tag) {
    while (!byTag_.empty() && byTag_.begin()->first <= tag) Remove(byTag_.begin()->second);
}

void EntryCache::DropAll() {
    for (const auto& [path, key] : byPath_) platform::UnlinkFile(path);
    items_.clear();
    byPath_.clear();
    byTag_.clear();
    memoryBytes_ = 0;
    diskBytes_ = 0;
}

void EntryCache::CloseSlotFiles() {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (slotFd_[slot] >= 0) {
            platform::CloseFile(slotFd_[slot]);
            platform::UnlinkFile(slotPath_[slot]);
        }
        slotFd_[slot] = -1;
        slotPath_[slot].clear();
    }
}

void EntryCache::RemoveFolder() {
    DropAll();
    CloseSlotFiles();
    needed_.clear();
    if (!folder_.empty()) platform::RemoveEmptyFolder(folder_);
    folder_.clear();
}

}  // namespace nebu
