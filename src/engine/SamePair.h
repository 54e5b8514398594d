#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/FileIdentity.h"

namespace nebu {

// What became of a pair once the job settled it. Source* mean the user chose
// to delete the source copy of a mutual pair instead; the target was kept.
enum class PairFate : std::uint8_t {
    Listed,   // nothing is deleted in this job
    Kept,     // the user declined, or stopped the job, at the question
    Refused,  // deleting was asked for but did not happen (failed or changed)
    Deleted,
    Trashed,
    SourceDeleted,
    SourceTrashed,
};

// The unit handed to the results: side 1 is the source, side 2 the target.
// Folders carry no trailing separator (or are an archive path).
struct SamePairRec {
    std::string name1;
    std::string folder1;
    std::string name2;
    std::string folder2;
    std::int64_t size = 0;
    std::uint8_t mutual = 0;
    // Each side's file (or archive) as it was compared. A deletion from the
    // results goes ahead only while both still are exactly that; an unknown
    // identity refuses it. They record the pair's state, not what the pair
    // is, so equality leaves them out.
    std::optional<platform::FileIdentity> identity1 = std::nullopt;
    std::optional<platform::FileIdentity> identity2 = std::nullopt;
    // Whether a side is an archive entry: its folder is then the archive and
    // its name the entry. Set by the job as the pair is settled.
    bool entry1 = false;
    bool entry2 = false;
    PairFate fate = PairFate::Listed;

    bool operator==(const SamePairRec& other) const {
        return name1 == other.name1 && folder1 == other.folder1 && name2 == other.name2 &&
               folder2 == other.folder2 && size == other.size && mutual == other.mutual;
    }
};

}  // namespace nebu
