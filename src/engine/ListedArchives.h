#pragma once
// Every archive listed in a run, as it was when it was listed: its identity
// and its entries in listing order. Entries are extracted by their position
// here, and an archive is deleted whole only while it still is exactly what
// was listed, so that nothing in it goes uncompared.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/FileIdentity.h"

namespace nebu {

struct ListedEntry {
    std::string name;  // as the library reported it; a folder's name ends in "/"
    std::int64_t size = 0;
    bool IsFile() const { return !name.empty() && name.back() != '/'; }
};

struct ListedArchive {
    std::uint8_t kind = 0;
    // nullopt when the file changed while it was listed, or was listed twice
    // differently: nothing of it can be trusted then.
    std::optional<platform::FileIdentity> identity;
    std::vector<ListedEntry> entries;  // the index is the position
    bool ended = false;                // the listing ran to the end, no error
    std::int64_t total = 0;            // the sum of its files' sizes, its whole-archive key
    // A later pass read every entry exactly as listed, and the file was the
    // listed one before and after it.
    bool passed = false;
};

class ListedArchives {
  public:
    void Record(const std::string& path, ListedArchive listing);
    const ListedArchive* Find(const std::string& path) const;
    // The archive is still the file it was when listed, read again it holds
    // exactly the listed entries, and each of them is a plain file or a
    // folder that the listing took in. Without `readAgain`, an archive a
    // pass has already read through as listed is only looked at (its
    // identity); right before a deletion it is always read again.
    bool StillAsListed(const std::string& path, bool readAgain) const;
    void MarkPassed(const std::string& path);
    void Clear() { archives_.clear(); }

  private:
    std::unordered_map<std::string, ListedArchive> archives_;
};

}  // namespace nebu
