#pragma once
// Archive entries extracted ahead of their comparison. A pass over an
// archive writes out every entry the coming size groups will ask for, as
// far as the room allows, so that an archive is read a few times in a run
// rather than once per entry. Each file is tagged with the size key of the
// group that needs it and goes when that group is done.

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nebu {

class EntryCache {
  public:
    struct Item {
        std::string path;
        std::uint64_t bytes = 0;
        std::int64_t tag = 0;   // size key of the group that needs it
        bool overflow = false;  // beyond the room: removed right after use
    };

    // The size keys present on both sides, in any order; entries of other
    // sizes are never fetched ahead.
    void SetNeededSizes(std::vector<std::int64_t> sizes);
    bool Needed(std::int64_t size) const;

    // The folder that holds the files, made inside `workFolder` on first use.
    bool EnsureFolder(const std::string& workFolder);
    const std::string& Folder() const { return folder_; }
    std::string NextFileName() { return std::to_string(++serial_); }

    // Room left for files fetched ahead (the one asked for always goes in).
    bool Fits(std::uint64_t moreBytes, std::size_t moreFiles) const;

    const Item* Find(const std::string& archive, std::int32_t position) const;
    void Add(const std::string& archive, std::int32_t position, Item item);
    // Whether `path` is a file of the cache, and whether it goes after use.
    bool Holds(const std::string& path) const { return byPath_.count(path) != 0; }
    bool IsOverflow(const std::string& path) const;
    void Remove(const std::string& path);
    // Removes every file needed by groups up to `tag`.
    void DropUpTo(std::int64_t tag);
    void DropAll();
    void RemoveFolder();

  private:
    using Key = std::pair<std::string, std::int32_t>;
    std::map<Key, Item> items_;
    std::unordered_map<std::string, Key> byPath_;
    std::multimap<std::int64_t, std::string> byTag_;
    std::vector<std::int64_t> needed_;  // ascending
    std::string folder_;
    std::uint64_t bytes_ = 0;
    std::uint64_t serial_ = 0;
};

}  // namespace nebu
