#include "engine/ClassGroups.h"

#include <vector>

#include "engine/GroupWalk.h"
#include "engine/Nebu.h"

namespace nebu {

std::size_t FileIndexAt(const TNebuList& list, long position) {
    const auto& files = list.Groups()[static_cast<std::size_t>(list.CurrentGroupIndex())].Files;
    return files.size() - 1 - static_cast<std::size_t>(position);
}

void RememberListedArchive(TNebuFileFunc& ff, const std::string& archive) {
    const ListedArchive* listed = ff.Listings().Find(archive);
    if (listed != nullptr && listed->identity) ff.RememberIdentity(archive, *listed->identity);
}

namespace {

// The records of the list's current group by class, in walk order.
PositionIndex ByClass(const TNebuList& list, Side side, const RecordClasses& classes,
                      std::vector<long> positions) {
    PositionIndex index;
    const auto group = static_cast<std::size_t>(list.CurrentGroupIndex());
    for (long position : positions) {
        const RecordClasses::Result r = classes.Of(side, group, FileIndexAt(list, position));
        if (r.cls >= 0 && !r.failed) index.Add(static_cast<std::uint64_t>(r.cls), position);
    }
    index.Seal();
    return index;
}

std::vector<long> AlivePositions(TNebuList& list) {
    std::vector<long> positions;
    NebuNameRec rec;
    for (bool m = list.FirstInGroup(rec); m; m = list.NextInGroup(rec)) {
        positions.push_back(list.CurrentInGroup());
    }
    return positions;
}

}  // namespace

void CompareSourceEntriesByClass(TNebu& job, const RecordClasses& classes,
                                 const EqualPairFn& equal) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    TNebuFileFunc& ff = *job.FileFunc;
    const auto sg = static_cast<std::size_t>(src.CurrentGroupIndex());
    const auto dg = static_cast<std::size_t>(dst.CurrentGroupIndex());
    const PositionIndex targets = ByClass(dst, Side::Target, classes, AlivePositions(dst));
    std::vector<long> visit;
    NebuNameRec s;
    NebuNameRec t;
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        const RecordClasses::Result r =
            classes.Of(Side::Source, sg, FileIndexAt(src, src.CurrentInGroup()));
        if (r.failed) ff.AskAfterFailedExtraction(s.Path);
        visit.clear();
        if (r.cls >= 0 && !r.failed)
            targets.AppendPositions(static_cast<std::uint64_t>(r.cls), visit);
        if (!visit.empty()) RememberListedArchive(ff, s.Path);
        for (long position : visit) {
            if (job.Stop != 0) break;
            // A target deleted meanwhile is passed over.
            if (!dst.GoToInGroup(position, t)) continue;
            if (const auto identity =
                    classes.IdentityOf(Side::Target, dg, FileIndexAt(dst, position))) {
                ff.RememberIdentity(t.Path, *identity);
            }
            equal(s, t);
        }
        job.TakeFileFuncStop();
    }
}

void CompareTargetEntriesByClass(TNebu& job, const RecordClasses& classes,
                                 const EqualPairFn& equal) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    TNebuFileFunc& ff = *job.FileFunc;
    const auto sg = static_cast<std::size_t>(src.CurrentGroupIndex());
    const auto dg = static_cast<std::size_t>(dst.CurrentGroupIndex());
    // Each entry that could not be taken out is asked about once, in walk
    // order, before any source meets it.
    std::vector<long> entries;
    NebuNameRec s;
    NebuNameRec t;
    for (bool mt = dst.FirstInGroup(t); mt && job.Stop == 0; mt = dst.NextInGroup(t)) {
        entries.push_back(dst.CurrentInGroup());
        if (classes.Of(Side::Target, dg, FileIndexAt(dst, dst.CurrentInGroup())).failed) {
            ff.AskAfterFailedExtraction(t.Path);
        }
        job.TakeFileFuncStop();
    }
    if (job.Stop != 0) return;
    const PositionIndex byClass = ByClass(dst, Side::Target, classes, std::move(entries));
    std::vector<long> visit;
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        const std::size_t file = FileIndexAt(src, src.CurrentInGroup());
        const RecordClasses::Result r = classes.Of(Side::Source, sg, file);
        if (r.cls < 0) continue;
        visit.clear();
        byClass.AppendPositions(static_cast<std::uint64_t>(r.cls), visit);
        const auto identity = classes.IdentityOf(Side::Source, sg, file);
        for (long position : visit) {
            if (job.Stop != 0) break;
            // An archive is never compared with its own entries.
            if (!dst.GoToInGroup(position, t) || t.Path == s.Path || !identity) continue;
            ff.RememberIdentity(s.Path, *identity);
            RememberListedArchive(ff, t.Path);
            equal(s, t);
        }
    }
}

}  // namespace nebu
