#include "engine/EntryCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return ::ftruncate(fd, static_cast<off_t>(data.size())) == 0;
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
    if (::mkdir(folder.c_str(), 0700) != 0) return false;
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
    struct stat open;
    struct stat named;
    if (slotFd_[slot] >= 0 &&
        (::fstat(slotFd_[slot], &open) != 0 || ::lstat(slotPath_[slot].c_str(), &named) != 0 ||
         open.st_ino != named.st_ino || open.st_dev != named.st_dev)) {
        ::close(slotFd_[slot]);
        slotFd_[slot] = -1;
    }
    if (slotFd_[slot] < 0) {
        std::string folder = slotFolder.empty() ? folder_ : slotFolder;
        if (folder.empty()) return "";
        if (folder.back() != '/') folder += '/';
        const std::string path = folder + "entry" + std::to_string(slot);
        slotFd_[slot] =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_TRUNC, 0600);
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
        ::unlink(found.path.c_str());
        byPath_.erase(found.path);
    }
    items_.erase(item);
}

void EntryCache::DropUpTo(std::int64_t tag) {
    while (!byTag_.empty() && byTag_.begin()->first <= tag) Remove(byTag_.begin()->second);
}

void EntryCache::DropAll() {
    for (const auto& [path, key] : byPath_) ::unlink(path.c_str());
    items_.clear();
    byPath_.clear();
    byTag_.clear();
    memoryBytes_ = 0;
    diskBytes_ = 0;
}

void EntryCache::CloseSlotFiles() {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (slotFd_[slot] >= 0) {
            ::close(slotFd_[slot]);
            ::unlink(slotPath_[slot].c_str());
        }
        slotFd_[slot] = -1;
        slotPath_[slot].clear();
    }
}

void EntryCache::RemoveFolder() {
    DropAll();
    CloseSlotFiles();
    needed_.clear();
    if (!folder_.empty()) ::rmdir(folder_.c_str());
    folder_.clear();
}

}  // namespace nebu
