#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/ClassGroups.h"
#include "engine/CompareModes.h"
#include "engine/GroupWalk.h"
#include "engine/InMemoryGroups.h"
#include "engine/Nebu.h"
#include "engine/NebuRecords.h"
#include "engine/SameChkList.h"
#include "platform/FileIdentity.h"

namespace nebu {

namespace {

// One archive file reached by two names (a hard link, a folder given on each
// side under another name) holds no duplicate of itself: taking it for one
// would offer its only copy for deletion.
bool SameArchiveFile(const std::string& path1, const std::string& path2) {
    const std::optional<platform::FileIdentity> a = platform::IdentityOfPath(path1);
    const std::optional<platform::FileIdentity> b = platform::IdentityOfPath(path2);
    return a && b && a->SameFileAs(*b);
}

// 7z, tar and RAR archives are mostly solid or compressed as a whole: an
// entry can only be reached by decompressing all before it. Their groups
// are all classified in one pass over each archive, never fetched group by
// group.
bool HoldsStreamedArchives(const TNebuList::SizeNode& group) {
    for (const TNebuList::FileNode& f : group.Files) {
        if (f.Alive != 0 && f.Kind == kKindArc) return true;
    }
    return false;
}

// Sorts the records of the groups to be walked by class (all of them with
// `allByClass`, otherwise those too large for memory or read in one pass)
// before the walk; the extraction fetches ahead only the entries of the
// other common groups.
template <typename GroupFn>
void ForEachArchiveGroup(TNebu& job, RecordClasses& classes, bool allByClass, GroupFn&& group) {
    const auto& src = job.SrcList->Groups();
    const auto& dst = job.DstList->Groups();
    std::vector<std::int64_t> ahead;
    ForEachSharedSize(src, dst, [&](std::size_t i, std::size_t j) {
        if (allByClass || !GroupFitsInMemory(job, src[i], dst[j]) ||
            HoldsStreamedArchives(src[i]) || HoldsStreamedArchives(dst[j])) {
            classes.AddGroup(Side::Source, *job.SrcList, i);
            classes.AddGroup(Side::Target, *job.DstList, j);
        } else {
            ahead.push_back(src[i].Size);
        }
    });
    job.Bytes.AddPlanned(classes.PlannedBytes());
    job.Bytes.BeginSpan(classes.PlannedBytes());
    classes.Run(job.Stop);
    job.FileFunc->SetNeededSizes(std::move(ahead));
    ForEachCommonGroup(job, std::forward<GroupFn>(group));
    job.FileFunc->SetNeededSizes({});
}

bool GroupByClass(TNebu& job, const RecordClasses& classes) {
    return classes.Holds(Side::Source, static_cast<std::size_t>(job.SrcList->CurrentGroupIndex()));
}

// A source entry found equal to a target file: logged, then the target is
// deleted or the pair listed, at once.
void SettleSourceEntryPair(TNebu& job, const NebuNameRec& s, const NebuNameRec& t,
                           std::int64_t sizeKey) {
    TNebuFileFunc& ff = *job.FileFunc;
    MarkBoth(job);
    const std::string line = MakeSameLine(EntryLabel(s.Path, s.Entry), t.Path);
    job.Log(line);
    MsgAnswer answer = MsgAnswer::Yes;
    if (job.NoDelete) {
        answer = MsgAnswer::No;
    } else if (job.DelConfirm) {
        answer =
            job.Ask(line + "\n｢" + t.Path + "｣を削除してよいですか？", MsgButtons::YesNoCancel);
        if (answer != MsgAnswer::Yes && answer != MsgAnswer::No) {
            answer = MsgAnswer::Cancel;
            job.RequestStop();
        }
    }
    SamePairRec rec;
    rec.name1 = s.Entry;
    rec.folder1 = s.Path;
    std::tie(rec.name2, rec.folder2) = SplitPath(t.Path);
    rec.size = sizeKey;
    if (answer == MsgAnswer::Yes && ff.RemoveDuplicate(t.Path, s.Path, s.Entry)) {
        job.Log("｢" + t.Path + "｣を削除しました。");
        job.DstList->MarkRemoved();
        job.SettleDeleted(rec);
        return;
    }
    const PairFate fate = job.NoDelete               ? PairFate::Listed
                          : answer == MsgAnswer::Yes ? PairFate::Refused
                                                     : PairFate::Kept;
    job.HandOver(rec, fate);
}

// Source entries against plain target files: each entry visits only the
// targets of its own class, in walk order.
void SourceArchiveGroup(TNebu& job, const RecordClasses& classes, std::int64_t sizeKey) {
    const auto settle = [&](const NebuNameRec& s, const NebuNameRec& t) {
        SettleSourceEntryPair(job, s, t, sizeKey);
    };
    if (GroupByClass(job, classes)) {
        CompareSourceEntriesByClass(job, classes, settle);
    } else {
        CompareSourceEntriesInMemory(job, sizeKey, settle);
    }
}

// Archive path -> whether it can be wholly present; asked once per archive.
using ListedCache = std::map<std::string, bool>;

// A plain source file found equal to a target entry: logged and listed.
void RecordTargetEntryPair(TNebu& job, ListedCache& listed, const NebuNameRec& s,
                           const NebuNameRec& t, std::int64_t sizeKey) {
    MarkBoth(job);
    // Only an archive recorded here can be deleted as a whole.
    auto known = listed.find(t.Path);
    if (known == listed.end()) {
        known = listed.emplace(t.Path, job.FileFunc->ArchiveAsListed(t.Path)).first;
    }
    if (known->second) job.FullArchiveSources[t.Path].push_back(s.Path);
    job.Log(MakeSameLine(s.Path, EntryLabel(t.Path, t.Entry)));
    SamePairRec rec;
    std::tie(rec.name1, rec.folder1) = SplitPath(s.Path);
    rec.name2 = t.Entry;
    rec.folder2 = t.Path;
    rec.size = sizeKey;
    job.HandOver(rec);
}

// Plain source files against target entries; entries are never deleted
// one by one, only whole archives afterwards.
void TargetArchiveGroup(TNebu& job, const RecordClasses& classes, ListedCache& listed,
                        std::int64_t sizeKey) {
    const auto record = [&](const NebuNameRec& s, const NebuNameRec& t) {
        RecordTargetEntryPair(job, listed, s, t, sizeKey);
    };
    if (GroupByClass(job, classes)) {
        CompareTargetEntriesByClass(job, classes, record);
    } else {
        CompareTargetEntriesInMemory(job, sizeKey, record);
    }
}

// The targets a source entry meets: those of its class, those that could
// not be taken out (each asks again, as when extracted for every source) and
// the same entry of the same archive; in walk order.
struct EntryTargets {
    PositionIndex byClass;
    PositionIndex byEntry;  // by a hash of archive path and position
    std::vector<long> failed;
};

std::uint64_t EntryKey(const std::string& archive, std::int32_t position) {
    return std::hash<std::string>()(archive) * 31 + static_cast<std::uint64_t>(position);
}

EntryTargets TargetsOfGroup(TNebuList& dst, const RecordClasses& classes) {
    EntryTargets targets;
    const auto dg = static_cast<std::size_t>(dst.CurrentGroupIndex());
    NebuNameRec t;
    for (bool mt = dst.FirstInGroup(t); mt; mt = dst.NextInGroup(t)) {
        const long position = dst.CurrentInGroup();
        const RecordClasses::Result r = classes.Of(Side::Target, dg, FileIndexAt(dst, position));
        if (r.failed) {
            targets.failed.push_back(position);
        } else {
            if (r.cls >= 0) targets.byClass.Add(static_cast<std::uint64_t>(r.cls), position);
            targets.byEntry.Add(EntryKey(t.Path, t.EntryIndex), position);
        }
    }
    targets.byClass.Seal();
    targets.byEntry.Seal();
    return targets;
}

void ArchiveEntriesGroup(TNebu& job, const RecordClasses& classes, TSameChkList& pairs,
                         std::int64_t sizeKey) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    TNebuFileFunc& ff = *job.FileFunc;
    const auto sg = static_cast<std::size_t>(src.CurrentGroupIndex());
    const auto dg = static_cast<std::size_t>(dst.CurrentGroupIndex());
    const EntryTargets targets = TargetsOfGroup(dst, classes);
    std::vector<long> visit;
    NebuNameRec s;
    NebuNameRec t;
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        const RecordClasses::Result r =
            classes.Of(Side::Source, sg, FileIndexAt(src, src.CurrentInGroup()));
        if (r.failed) {
            ff.AskAfterFailedExtraction(s.Path);
            // A user who declined to go on after this failure is neither
            // asked again about the next entry nor told the run ended well.
            job.TakeFileFuncStop();
            continue;
        }
        visit = targets.failed;
        if (r.cls >= 0) targets.byClass.AppendPositions(static_cast<std::uint64_t>(r.cls), visit);
        targets.byEntry.AppendPositions(EntryKey(s.Path, s.EntryIndex), visit);
        std::sort(visit.begin(), visit.end());
        visit.erase(std::unique(visit.begin(), visit.end()), visit.end());
        for (long position : visit) {
            if (job.Stop != 0) break;
            if (!dst.GoToInGroup(position, t)) continue;
            const RecordClasses::Result rt =
                classes.Of(Side::Target, dg, FileIndexAt(dst, position));
            if (rt.failed) {
                ff.AskAfterFailedExtraction(t.Path);
            } else if (pairs.FindReversePair(s.Entry, s.Path, t.Entry, t.Path)) {
                MarkBoth(job);
            } else if (s.Path == t.Path && s.EntryIndex == t.EntryIndex) {
                MarkBoth(job);
            } else if (s.EntryIndex == t.EntryIndex && SameArchiveFile(s.Path, t.Path)) {
                // The same entry under another name of its archive.
            } else if (r.cls >= 0 && r.cls == rt.cls) {
                MarkBoth(job);
                pairs.AddPair(s.Entry, s.Path, t.Entry, t.Path);
            }
            job.TakeFileFuncStop();
        }
    }
    SamePairRec rec;
    for (bool more = pairs.FirstPair(rec); more && job.Stop == 0; more = pairs.NextPair(rec)) {
        job.Log(
            MakeSameLine(EntryLabel(rec.folder1, rec.name1), EntryLabel(rec.folder2, rec.name2)));
        rec.size = sizeKey;
        job.HandOver(rec);
    }
    pairs.Clear();
}

}  // namespace

void CompareSourceArchives(TNebu& job) {
    RecordClasses classes(*job.FileFunc, job.FileFunc->GroupMemoryBudget);
    ForEachArchiveGroup(job, classes, false,
                        [&](std::int64_t sizeKey) { SourceArchiveGroup(job, classes, sizeKey); });
}

void CompareTargetArchives(TNebu& job) {
    job.FullArchiveSources.clear();
    ListedCache listed;
    {
        RecordClasses classes(*job.FileFunc, job.FileFunc->GroupMemoryBudget);
        ForEachArchiveGroup(job, classes, false, [&](std::int64_t sizeKey) {
            TargetArchiveGroup(job, classes, listed, sizeKey);
        });
    }
    DeleteFullArchives(job);
    job.FullArchiveSources.clear();
}

void CompareArchiveEntries(TNebu& job) {
    TSameChkList pairs;
    RecordClasses classes(*job.FileFunc, job.FileFunc->GroupMemoryBudget);
    ForEachArchiveGroup(job, classes, true, [&](std::int64_t sizeKey) {
        ArchiveEntriesGroup(job, classes, pairs, sizeKey);
    });
}

}  // namespace nebu
