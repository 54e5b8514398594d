#pragma once
// The pairs found in one size group, newest first, with the helpers that
// turn paths into (name, folder) and pairs into log lines.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/SamePair.h"

namespace nebu {

class TSameChkList {
  public:
    bool FindReversePair(const std::string& srcName, const std::string& srcFolder,
                         const std::string& dstName, const std::string& dstFolder);
    void AddPair(const std::string& srcName, const std::string& srcFolder,
                 const std::string& dstName, const std::string& dstFolder);
    bool FirstPair(SamePairRec& rec);
    bool NextPair(SamePairRec& rec);
    void DropPairsOf(const std::string& name, const std::string& folder);
    void Clear();
    std::int32_t Count() const { return count_; }

  private:
    struct Node {
        std::string name1, folder1, name2, folder2;
        std::int32_t Active = 1;
        std::uint8_t mutual = 0;
    };
    bool SeekActive(std::size_t fromBack, SamePairRec& rec);

    std::vector<Node> nodes_;  // in order of addition; walks run newest first
    std::int32_t count_ = 0;
    std::size_t cur_ = 0;  // steps taken from the back
    // A group of many equal files (all the empty ones, say) makes pairs by
    // the thousand; these keep the per-comparison search from rescanning them.
    std::unordered_multimap<std::size_t, std::size_t> byPair_;  // whole pair
    std::unordered_multimap<std::size_t, std::size_t> bySide_;  // either side
};

// Splits at the last separator: (name, folder without the separator).
std::pair<std::string, std::string> SplitPath(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);
std::string MakeSameLine(const std::string& path1, const std::string& path2);
// "『archive』の中の『entry』"
std::string EntryLabel(const std::string& archivePath, const std::string& entryName);

}  // namespace nebu
