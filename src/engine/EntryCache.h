#pragma once
// Archive entries extracted ahead of their comparison. A pass over an
// archive takes out every entry the coming size groups will ask for, as far
// as the room allows, so that an archive is read a few times in a run rather
// than once per entry. Each entry is tagged with the size key of the group
// that needs it and goes when that group is done.
//
// Small entries are kept in memory and written, when asked for, into one
// file per work folder slot that is used again and again: making and
// removing a file per entry would cost more than all the rest.

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace nebu {

class EntryCache {
  public:
    struct Item {
        std::string path;  // a file of the cache folder; empty when held in memory
        std::string data;  // the bytes, when held in memory
        std::uint64_t bytes = 0;
        std::int64_t tag = 0;   // size key of the group that needs it
        bool overflow = false;  // beyond the room: goes right after use
        bool InMemory() const { return path.empty(); }
    };
    // Entries up to this size are held in memory.
    static constexpr std::uint64_t kSmall = 64 * 1024;

    EntryCache() = default;
    ~EntryCache();
    EntryCache(const EntryCache&) = delete;
    EntryCache& operator=(const EntryCache&) = delete;

    // The size keys present on both sides; entries of other sizes are never
    // fetched ahead.
    void SetNeededSizes(std::vector<std::int64_t> sizes);
    bool Needed(std::int64_t size) const;

    // The folder that holds the large entries, made inside `workFolder` on
    // first use.
    bool EnsureFolder(const std::string& workFolder);
    const std::string& Folder() const { return folder_; }
    std::string NextFileName() { return std::to_string(++serial_); }

    // Room left for entries fetched ahead (the one asked for always goes in).
    bool Fits(std::uint64_t moreMemory, std::uint64_t moreDisk, std::size_t moreFiles) const;

    const Item* Find(const std::string& archive, std::int32_t position) const;
    void Add(const std::string& archive, std::int32_t position, Item item);
    // The file to compare for `item`: its own, or the slot's file holding its
    // bytes (in `slotFolder`) until the next entry of that slot. An overflow
    // item held in memory is gone afterwards. Empty when it cannot be written.
    std::string Hand(const std::string& archive, std::int32_t position, int slot,
                     const std::string& slotFolder);
    // Whether `path` is a file of the cache (kept until its group is done),
    // one that goes after use, or a slot's file.
    bool Holds(const std::string& path) const { return byPath_.count(path) != 0; }
    bool IsOverflow(const std::string& path) const;
    bool IsSlotFile(const std::string& path) const;
    void RemoveFile(const std::string& path);
    // Removes every entry needed by groups up to `tag`.
    void DropUpTo(std::int64_t tag);
    void DropAll();
    void RemoveFolder();

  private:
    // An archive's number and the entry's position: a large archive has tens
    // of thousands of entries, and keys holding its path would copy it for
    // every entry and every lookup.
    using Key = std::uint64_t;
    static Key KeyOf(std::uint32_t archive, std::int32_t position) {
        return (static_cast<Key>(archive) << 32) | static_cast<std::uint32_t>(position);
    }
    bool FindKey(const std::string& archive, std::int32_t position, Key& key) const;
    Key MakeKey(const std::string& archive, std::int32_t position);
    void Remove(Key key);
    void CloseSlotFiles();

    std::unordered_map<std::string, std::uint32_t> archives_;
    std::unordered_map<Key, Item> items_;
    std::unordered_map<std::string, Key> byPath_;
    std::multimap<std::int64_t, Key> byTag_;
    std::vector<std::int64_t> needed_;  // ascending
    std::string folder_;
    std::uint64_t memoryBytes_ = 0;
    std::uint64_t diskBytes_ = 0;
    std::uint64_t serial_ = 0;
    static constexpr int kSlots = 3;
    int slotFd_[kSlots] = {-1, -1, -1};
    std::string slotPath_[kSlots];
};

}  // namespace nebu
