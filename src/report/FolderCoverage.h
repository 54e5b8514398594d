#pragma once
// How much of each target folder the job found on the source side: the
// answer to "can I drop this folder?". The folder of an archive entry is the
// archive itself, as in the same-file list's folder column.

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/SamePair.h"

namespace nebu {

class TNebuList;

struct FolderCoverageRow {
    std::string Folder;
    std::int64_t Files = 0;  // searched: the files the job's target list took
    std::int64_t Found = 0;  // of those, the ones in a pair
    std::int64_t Bytes = 0;
    std::int64_t FoundBytes = 0;

    bool AllFound() const { return Files > 0 && Found == Files; }
    bool operator==(const FolderCoverageRow&) const = default;
};

class FolderCoverage {
  public:
    // A pair settled by the job, whatever its fate (a deleted target was
    // found as much as a listed one).
    void AddFound(const SamePairRec& pair);
    // The job's target list, once the job has ended; every file it holds
    // was searched, removed ones included.
    std::vector<FolderCoverageRow> Rows(const TNebuList& targets) const;
    void Clear() { found_.clear(); }

  private:
    std::unordered_set<std::string> found_;  // folder + NUL + name
};

// "folder<TAB>found/files件<TAB>foundBytes/bytesバイト[<TAB>全て比較元にあり]",
// the folder escaped as in the log, so that a name cannot make a line of its own.
std::string FolderCoverageLine(const FolderCoverageRow& row);
inline constexpr const char* kAllFoundText = "全て比較元にあり";

}  // namespace nebu
