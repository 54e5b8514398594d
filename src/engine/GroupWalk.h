#pragma once
// Walks two size-sorted lists like a merge and calls `group` for every size
// key present on both sides, until a list runs out or the job is stopped.

#include <cstdint>
#include <string>
#include <unordered_map>
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

// The alive files of a list's current group: walk position and path.
inline std::vector<std::pair<long, std::string>> FilesOfGroup(TNebuList& list) {
    std::vector<std::pair<long, std::string>> files;
    _NebuNameRec rec;
    for (bool m = list.FirstInGroup(rec); m; m = list.NextInGroup(rec)) {
        files.emplace_back(list.CurrentInGroup(), rec.Path);
    }
    return files;
}

// Walk positions of the given files by content class, each in walk order;
// files without a class are left out (they equal nothing).
inline std::unordered_map<int, std::vector<long>> PositionsByClass(
    const std::vector<std::pair<long, std::string>>& files, const ContentClasses& classes) {
    std::unordered_map<int, std::vector<long>> byClass;
    for (const auto& [position, path] : files) {
        const int cls = classes.ClassOf(path);
        if (cls >= 0) byClass[cls].push_back(position);
    }
    return byClass;
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
        group(s);
        if (!src.NextGroup(s)) return;
        if (!dst.NextGroup(d)) return;
    }
}

}  // namespace nebu
