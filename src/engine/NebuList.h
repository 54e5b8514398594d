#pragma once
// One side's files, grouped by exact size, groups ascending; within a group
// the most recently added file comes first. Removed files stay and count.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/NebuRecords.h"

namespace nebu {

class TNebuList {
  public:
    struct FileNode {
        std::string Path;
        // The entry name of a record read from an archive. Held apart because
        // most records are plain files, and a list can hold hundreds of
        // thousands of them: an empty text in every one would cost more
        // than the pointer.
        std::unique_ptr<std::string> EntryName;
        std::int32_t EntryIndex = -1;  // position in its archive, for entries
        std::uint8_t Matched = 0;
        std::uint8_t Alive = 1;
        std::uint8_t Kind = kKindPlain;
        std::unique_ptr<TArcList> Entries;  // whole-archive records only

        const std::string& Entry() const {
            static const std::string none;
            return EntryName ? *EntryName : none;
        }
    };
    struct SizeNode {
        std::int64_t Size = 0;
        std::int32_t Count = 0;
        // Stored in order of addition; walks run from the back (newest first).
        std::vector<FileNode> Files;
    };

    TNebuList() = default;
    TNebuList(const TNebuList&) = delete;
    TNebuList& operator=(const TNebuList&) = delete;

    void AddSorted(const NebuRec& rec);
    // The same, taking the record's texts over instead of copying them (the
    // scan adds every file of a tree this way).
    void AddSorted(NebuRec&& rec);
    void AddAppended(const NebuRec& rec);

    bool FirstFile(NebuRec& rec);
    bool NextFile(NebuRec& rec);

    bool FirstGroup(std::int64_t& size);
    bool NextGroup(std::int64_t& size);
    bool FirstInGroup(NebuNameRec& rec);
    bool NextInGroup(NebuNameRec& rec);

    bool MarkMatched();
    bool MarkRemoved();

    // Position of the current file in its group's walk, or -1; and a jump
    // back to such a position, false when that file is no longer alive.
    // They let a caller that already knows which files matter skip the rest.
    long CurrentInGroup() const { return curFile_; }
    bool GoToInGroup(long position, NebuNameRec& rec);

    // Each target archive all of whose alive entry records are matched, once.
    bool NextFullArchive(std::string& path);

    void Clear();

    // Read by the polling thread while the worker writes them.
    std::int32_t Count() const { return count_.load(std::memory_order_relaxed); }
    std::int32_t Progress() const { return progress_.load(std::memory_order_relaxed); }

    // Read-only views for tests and for building the different-file list.
    const std::vector<SizeNode>& Groups() const;
    // Index of the current group, or -1 when there is none.
    int CurrentGroupIndex() const;

  private:
    struct Candidate {
        std::string path;
        bool complete = true;
        std::vector<std::pair<std::size_t, std::size_t>> matched;  // (group, file)
    };

    SizeNode& GroupForSorted(std::int64_t size);
    void AddToGroup(SizeNode& group, const NebuRec& rec);
    void AddToGroup(SizeNode& group, NebuRec&& rec);
    void Settle() const;
    bool SeekFile(std::size_t group, std::size_t fromBackOffset, NebuRec& rec);
    bool SeekInGroup(std::size_t fromBackOffset, NebuNameRec& rec);
    void BuildCandidates();

    // Ascending by Size. A group created below the largest key waits in
    // pending_ until the next walk, so adding stays O(log groups) instead of
    // shifting the whole vector once per new size.
    mutable std::vector<SizeNode> groups_;
    mutable std::map<std::int64_t, SizeNode> pending_;
    std::atomic<std::int32_t> count_{0};
    std::atomic<std::int32_t> progress_{0};
    mutable int curGroup_ = -1;
    // The current group is pending_[curKey_] rather than groups_[curGroup_].
    mutable bool curPending_ = false;
    mutable std::int64_t curKey_ = 0;
    // Offset from the back of the current group's Files of the current file;
    // -1 when there is none.
    long curFile_ = -1;

    // The archives NextFullArchive still has to visit, in walk order; thrown
    // away by any change to the list.
    std::vector<Candidate> candidates_;
    std::size_t nextCandidate_ = 0;
    bool candidatesValid_ = false;
};

// Calls visit(i, j) for each size both lists' groups hold, with i and j the
// positions of that size in `a` and `b` (both ascending by Size).
template <typename Visit>
void ForEachSharedSize(const std::vector<TNebuList::SizeNode>& a,
                       const std::vector<TNebuList::SizeNode>& b, Visit&& visit) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].Size < b[j].Size) {
            ++i;
        } else if (b[j].Size < a[i].Size) {
            ++j;
        } else {
            visit(i++, j++);
        }
    }
}

}  // namespace nebu
