#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/CompareModes.h"
#include "engine/GroupWalk.h"
#include "engine/InMemoryGroups.h"
#include "engine/Nebu.h"
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

// The size keys both lists hold: the only groups whose entries are ever
// extracted, so the only ones fetched ahead.
std::vector<std::int64_t> CommonSizes(TNebu& job) {
    const auto& src = job.SrcList->Groups();
    const auto& dst = job.DstList->Groups();
    std::vector<std::int64_t> common;
    ForEachSharedSize(src, dst, [&](std::size_t i, std::size_t) { common.push_back(src[i].Size); });
    return common;
}

// Walks the common groups with the extraction told which they are.
template <typename GroupFn>
void ForEachArchiveGroup(TNebu& job, GroupFn&& group) {
    job.FileFunc->SetNeededSizes(CommonSizes(job));
    ForEachCommonGroup(job, std::forward<GroupFn>(group));
    job.FileFunc->SetNeededSizes({});
}

// A source entry found equal to a target file: logged, then the target is
// deleted or the pair listed, at once.
void SettleSourceEntryPair(TNebu& job, const _NebuNameRec& s, const _NebuNameRec& t,
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
    if (answer == MsgAnswer::Yes && ff.RemoveDuplicate(t.Path, s.Path)) {
        job.Log("｢" + t.Path + "｣を削除しました。");
        job.DstList->MarkRemoved();
        return;
    }
    SamePairRec rec;
    rec.name1 = s.Entry;
    rec.folder1 = s.Path;
    std::tie(rec.name2, rec.folder2) = SplitPath(t.Path);
    rec.size = sizeKey;
    job.HandOver(rec);
}

// Source entries against plain target files. The group's target files are
// sorted into classes first and each extracted entry is placed among them,
// so an entry visits only the targets of its own class, in walk order: the
// others could never be equal to it.
void SourceArchiveGroup(TNebu& job, std::int64_t sizeKey) {
    if (GroupFitsInMemory(job, sizeKey)) {
        CompareSourceEntriesInMemory(job, sizeKey,
                                     [&](const _NebuNameRec& s, const _NebuNameRec& t) {
                                         SettleSourceEntryPair(job, s, t, sizeKey);
                                     });
        return;
    }
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    TNebuFileFunc& ff = *job.FileFunc;
    _NebuNameRec s;
    _NebuNameRec t;
    ff.PrepareGroup(PathsOfGroup(dst));
    const ContentClasses& classes = ff.GroupClasses();
    const PositionIndex targetsByClass = PositionsByClass(dst, classes);
    std::vector<long> visit;
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        const std::string x = ff.ExtractEntry(s.Path, s.Entry, 0, s.Kind, s.EntryIndex);
        if (!x.empty()) {
            visit.clear();
            const int cls = classes.ClassOf(x);
            if (cls >= 0) targetsByClass.AppendPositions(static_cast<std::uint64_t>(cls), visit);
            for (long position : visit) {
                if (job.Stop != 0) break;
                if (!dst.GoToInGroup(position, t)) continue;  // deleted meanwhile
                if (ff.SameContents(x, t.Path)) SettleSourceEntryPair(job, s, t, sizeKey);
            }
            ff.DeleteExtracted(x);
        }
        job.TakeFileFuncStop();
    }
    ff.EndGroup();
}

// Archive path -> whether it can be wholly present; asked once per archive.
using ListedCache = std::map<std::string, bool>;

// A plain source file found equal to a target entry: logged and listed.
void RecordTargetEntryPair(TNebu& job, ListedCache& listed, const _NebuNameRec& s,
                           const _NebuNameRec& t, std::int64_t sizeKey) {
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
void TargetArchiveGroup(TNebu& job, ListedCache& listed, std::int64_t sizeKey) {
    if (GroupFitsInMemory(job, sizeKey)) {
        CompareTargetEntriesInMemory(job, sizeKey,
                                     [&](const _NebuNameRec& s, const _NebuNameRec& t) {
                                         RecordTargetEntryPair(job, listed, s, t, sizeKey);
                                     });
        return;
    }
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    TNebuFileFunc& ff = *job.FileFunc;
    _NebuNameRec s;
    _NebuNameRec t;
    // Each target entry is extracted once for the whole group, and the
    // source files are read once, side by side.
    std::vector<std::string> sources;
    for (bool ms = src.FirstInGroup(s); ms; ms = src.NextInGroup(s)) sources.push_back(s.Path);
    ff.PrepareGroup(std::move(sources));
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        for (bool mt = dst.FirstInGroup(t); mt && job.Stop == 0; mt = dst.NextInGroup(t)) {
            // An archive is never compared with its own entries.
            if (s.Path == t.Path) continue;
            const std::string x = ff.ExtractEntry(t.Path, t.Entry, 0, t.Kind, t.EntryIndex);
            if (!x.empty()) {
                if (ff.SameContents(s.Path, x)) RecordTargetEntryPair(job, listed, s, t, sizeKey);
                ff.DeleteExtracted(x);
            }
            job.TakeFileFuncStop();
        }
    }
    ff.EndGroup();
}

void ArchiveEntriesGroup(TNebu& job, TSameChkList& pairs, std::int64_t sizeKey) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    TNebuFileFunc& ff = *job.FileFunc;
    _NebuNameRec s;
    _NebuNameRec t;
    // Every entry of the group is extracted once, not once per partner.
    ff.PrepareGroup(std::vector<std::string>{});
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        const std::string x1 = ff.ExtractEntry(s.Path, s.Entry, 0, s.Kind, s.EntryIndex);
        if (x1.empty()) {
            // A user who declined to go on after this failure is neither
            // asked again about the next entry nor told the run ended well.
            job.TakeFileFuncStop();
            continue;
        }
        for (bool mt = dst.FirstInGroup(t); mt && job.Stop == 0; mt = dst.NextInGroup(t)) {
            const std::string x2 = ff.ExtractEntry(t.Path, t.Entry, 1, t.Kind, t.EntryIndex);
            if (!x2.empty()) {
                if (pairs.FindReversePair(s.Entry, s.Path, t.Entry, t.Path)) {
                    MarkBoth(job);
                } else if (s.Path == t.Path && s.EntryIndex == t.EntryIndex) {
                    MarkBoth(job);
                } else if (s.EntryIndex == t.EntryIndex && SameArchiveFile(s.Path, t.Path)) {
                    // The same entry under another name of its archive.
                } else if (ff.SameContents(x1, x2)) {
                    MarkBoth(job);
                    pairs.AddPair(s.Entry, s.Path, t.Entry, t.Path);
                }
                ff.DeleteExtracted(x2);
            }
            job.TakeFileFuncStop();
        }
        ff.DeleteExtracted(x1);
    }
    ff.EndGroup();
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
    ForEachArchiveGroup(job, [&](std::int64_t sizeKey) { SourceArchiveGroup(job, sizeKey); });
}

void CompareTargetArchives(TNebu& job) {
    job.FullArchiveSources.clear();
    ListedCache listed;
    ForEachArchiveGroup(job,
                        [&](std::int64_t sizeKey) { TargetArchiveGroup(job, listed, sizeKey); });
    DeleteFullArchives(job);
    job.FullArchiveSources.clear();
}

void CompareArchiveEntries(TNebu& job) {
    TSameChkList pairs;
    ForEachArchiveGroup(job,
                        [&](std::int64_t sizeKey) { ArchiveEntriesGroup(job, pairs, sizeKey); });
}

bool CompareArchives(TNebuFileFunc& ff, _NebuNameRec& source, _NebuNameRec& target) {
    TTmpList& se = source.Entries;
    TTmpList& te = target.Entries;
    if (se.Count() != te.Count()) return false;
    if (se.Count() == 0 || te.Count() == 0) return false;
    if (SameArchiveFile(source.Path, target.Path)) return false;

    std::int64_t a = 0;
    std::int64_t b = 0;
    std::string n1;
    std::string n2;
    // Both lists are in ascending size order, so this compares the sorted sizes.
    for (bool m1 = se.First(a, n1), m2 = te.First(b, n2); m1 && m2;
         m1 = se.Next(a, n1), m2 = te.Next(b, n2)) {
        if (a != b) return false;
    }

    for (bool m1 = se.First(a, n1); m1; m1 = se.Next(a, n1)) {
        const std::string x1 =
            ff.ExtractEntry(source.Path, n1, 0, source.Kind, se.CurrentPosition());
        if (x1.empty()) break;
        bool giveUp = false;
        for (bool m2 = te.FirstActive(b, n2); m2; m2 = te.NextActive(b, n2)) {
            if (b > a) {
                giveUp = true;
                break;
            }
            if (b < a) continue;
            const std::string x2 =
                ff.ExtractEntry(target.Path, n2, 1, target.Kind, te.CurrentPosition());
            if (x2.empty()) {
                giveUp = true;
                break;
            }
            const bool same = ff.SameContents(x1, x2);
            ff.DeleteExtracted(x2);
            if (same) {
                te.DeactivateCurrent();
                break;
            }
        }
        ff.DeleteExtracted(x1);
        if (giveUp || ff.Stop == 1) break;
    }
    if (te.Count() != 0) return false;
    return ff.ArchiveAsListed(source.Path) && ff.ArchiveAsListed(target.Path);
}

}  // namespace nebu
