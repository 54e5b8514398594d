#pragma once
// Value records through which single files travel into and out of a TNebuList.

#include <cstdint>
#include <string>

#include "engine/EntryList.h"

namespace nebu {

// kKindArc: 7z, tar (plain or compressed) and RAR, read by one library.
enum RecordKind : std::uint8_t { kKindPlain = 0, kKindLzh = 1, kKindZip = 2, kKindArc = 3 };

// Sizes are 64-bit so that no file or archive sum wraps into another size.
struct NebuRec {
    std::int64_t Size = 0;
    std::string Path;   // the file, or the archive for anything read from one
    std::string Entry;  // entry name inside the archive; empty for plain/whole-archive
    // Where the entry stands in its archive's listing, -1 for anything else:
    // entries may share a name, never a position.
    std::int32_t EntryIndex = -1;
    std::uint8_t Matched = 0;
    std::uint8_t Kind = kKindPlain;
    TTmpList Entries;  // whole-archive record: its entries (name, size)

    bool IsWholeArchive() const { return Kind != kKindPlain && Entry.empty(); }
};

struct NebuNameRec {
    std::string Path;
    std::string Entry;
    std::int32_t EntryIndex = -1;
    std::uint8_t Matched = 0;
    std::uint8_t Kind = kKindPlain;
    TTmpList Entries;

    bool IsWholeArchive() const { return Kind != kKindPlain && Entry.empty(); }
};

}  // namespace nebu
