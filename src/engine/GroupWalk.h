#pragma once
// Walks two size-sorted lists like a merge and calls `group` for every size
// key present on both sides, until a list runs out or the job is stopped.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/ContentClasses.h"
#include "engine/Nebu.h"

namespace nebu {

// The current source and the current target were found to be one another's.
inline void MarkBoth(TNebu& job) {
    job.SrcList->MarkMatched();
    job.DstList->MarkMatched();
}

// The alive files of a list's current group, as the list's own path texts:
// they stay in place while the group is compared (nothing is added to a list
// then), so the classes can refer to them instead of copying them.
inline std::vector<const std::string*> PathsOfGroup(TNebuList& list) {
    std::vector<const std::string*> paths;
    const int g = list.CurrentGroupIndex();
    if (g < 0) return paths;
    for (const TNebuList::FileNode& file : list.Groups()[static_cast<std::size_t>(g)].Files) {
        if (file.Alive != 0) paths.push_back(&file.Path);
    }
    return paths;
}

// Walk positions of a group's files by a key of each file. Kept as one
// sorted array rather than a map of lists: a group can hold tens of
// thousands of files, and the index costs 16 bytes for each.
class PositionIndex {
  public:
    void Add(std::uint64_t key, long position) { entries_.emplace_back(key, position); }
    // After the last Add.
    void Seal() { std::sort(entries_.begin(), entries_.end()); }
    // Appends the positions filed under `key`, in walk order.
    void AppendPositions(std::uint64_t key, std::vector<long>& out) const {
        auto it = std::lower_bound(entries_.begin(), entries_.end(),
                                   std::pair<std::uint64_t, long>(key, LONG_MIN));
        for (; it != entries_.end() && it->first == key; ++it) out.push_back(it->second);
    }

  private:
    std::vector<std::pair<std::uint64_t, long>> entries_;
};

// Walk positions of the list's current group by content class; files
// without a class are left out (they equal nothing).
inline PositionIndex PositionsByClass(TNebuList& list, const ContentClasses& classes) {
    PositionIndex index;
    NebuNameRec rec;
    for (bool m = list.FirstInGroup(rec); m; m = list.NextInGroup(rec)) {
        const int cls = classes.ClassOf(rec.Path);
        if (cls >= 0) index.Add(static_cast<std::uint64_t>(cls), list.CurrentInGroup());
    }
    index.Seal();
    return index;
}

// The bytes a size group of each side may have to be read for: every file
// once. The plan of the walk and each group's span use this same measure.
inline std::int64_t GroupBytes(const TNebuList::SizeNode& a, const TNebuList::SizeNode& b) {
    return static_cast<std::int64_t>(a.Files.size() + b.Files.size()) *
           std::max<std::int64_t>(a.Size, 0);
}

inline std::int64_t CurrentGroupBytes(TNebu& job) {
    const int i = job.SrcList->CurrentGroupIndex();
    const int j = job.DstList->CurrentGroupIndex();
    if (i < 0 || j < 0) return 0;
    return GroupBytes(job.SrcList->Groups()[static_cast<std::size_t>(i)],
                      job.DstList->Groups()[static_cast<std::size_t>(j)]);
}

template <typename GroupFn>
void ForEachCommonGroup(TNebu& job, GroupFn&& group) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    std::int64_t s = 0;
    std::int64_t d = 0;
    if (!src.FirstGroup(s) || !dst.FirstGroup(d)) return;
    while (job.Stop == 0) {
        if (s < d) {
            if (!src.NextGroup(s)) return;
            continue;
        }
        if (d < s) {
            if (!dst.NextGroup(d)) return;
            continue;
        }
        job.Bytes.BeginSpan(CurrentGroupBytes(job));
        group(s);
        if (!src.NextGroup(s)) return;
        if (!dst.NextGroup(d)) return;
    }
}

}  // namespace nebu
