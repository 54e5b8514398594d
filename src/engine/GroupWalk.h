#pragma once
// Walks two size-sorted lists like a merge and calls `group` for every size
// key present on both sides, until a list runs out or the job is stopped.

#include <cstdint>

#include "engine/Nebu.h"

namespace nebu {

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
