#pragma once
// Directory search with the attribute rules of the described system: only
// regular files and real directories, links never taken, hidden = leading ".".

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace nebu::platform {

// The described attribute bits, kept so stored settings keep their meaning.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kDefaultSearchAttr = 0x31;

struct DirEntry {
    std::string name;
    bool isDirectory = false;
    std::int64_t size = 0;  // full 64-bit size; never truncated
    bool hidden = false;
    bool readOnly = false;
    dev_t device = 0;
    ino_t inode = 0;
};

// One open search. "." and ".." are skipped; entries come in readdir order.
// Hidden entries (files and directories) are returned only when the mask
// holds kAttrHidden. System never applies on Linux.
class DirectorySearch {
  public:
    DirectorySearch() = default;
    ~DirectorySearch();
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    // `dir` may or may not end in "/", and may be of any length. False when
    // it cannot be opened; Error() then says why.
    bool Open(const std::string& dir, std::uint32_t attrMask);
    // False at the end (or on a read error).
    bool Next(DirEntry& entry);
    // The errno of a failed open, of a failed read, or of an entry whose
    // kind could not be learnt; 0 while the search saw everything.
    int Error() const { return error_; }
    void Close();
    bool IsOpen() const { return dirp_ != nullptr; }
    // Device and inode of the opened directory itself.
    dev_t Device() const { return device_; }
    ino_t Inode() const { return inode_; }

  private:
    void* dirp_ = nullptr;  // DIR*
    std::uint32_t attrMask_ = 0;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    int error_ = 0;
};

}  // namespace nebu::platform
