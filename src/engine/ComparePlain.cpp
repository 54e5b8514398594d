#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "engine/ClassGroups.h"
#include "engine/CompareModes.h"
#include "engine/GroupWalk.h"
#include "engine/HeadPass.h"
#include "engine/Nebu.h"
#include "engine/SameChkList.h"

namespace nebu {

namespace {

// One source against one target: the steps every pair of the group takes.
void ComparePair(TNebu& job, TSameChkList& pairs, NebuNameRec& s, NebuNameRec& t,
                 const std::string& srcName, const std::string& srcFolder,
                 const RecordClasses* archives = nullptr) {
    TNebuFileFunc& ff = *job.FileFunc;
    const auto [dstName, dstFolder] = SplitPath(t.Path);
    if (pairs.FindReversePair(srcName, srcFolder, dstName, dstFolder)) {
        MarkBoth(job);
        return;
    }
    if (s.Path == t.Path) {
        MarkBoth(job);
        return;
    }
    bool same = false;
    if (s.Kind == kKindPlain) {
        same = ff.SameContents(s.Path, t.Path);
    } else {
        ArchiveEntryClasses a;
        ArchiveEntryClasses b;
        if (archives != nullptr) {
            TNebuList& src = *job.SrcList;
            TNebuList& dst = *job.DstList;
            a.at =
                archives->EntriesOf(Side::Source, static_cast<std::size_t>(src.CurrentGroupIndex()),
                                    FileIndexAt(src, src.CurrentInGroup()), a.count);
            b.at =
                archives->EntriesOf(Side::Target, static_cast<std::size_t>(dst.CurrentGroupIndex()),
                                    FileIndexAt(dst, dst.CurrentInGroup()), b.count);
        }
        same = CompareArchives(ff, a, b, s, t);
        job.TakeFileFuncStop();
    }
    if (same) {
        MarkBoth(job);
        pairs.AddPair(srcName, srcFolder, dstName, dstFolder);
    }
}

// Every source meets every target of the group.
void CompareGroup(TNebu& job, TSameChkList& pairs) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    NebuNameRec s;
    NebuNameRec t;
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        const auto [srcName, srcFolder] = SplitPath(s.Path);
        for (bool mt = dst.FirstInGroup(t); mt && job.Stop == 0; mt = dst.NextInGroup(t)) {
            ComparePair(job, pairs, s, t, srcName, srcFolder);
        }
    }
}

// The same walk when the group's files are sorted into classes: a target
// outside the source's class and with another path takes none of the steps
// (no mark, no pair, and no reversed pair can name it), so only the others
// are visited, in walk order, and the outcome is the full walk's.
void CompareGroupByClass(TNebu& job, TSameChkList& pairs) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    const ContentClasses& classes = job.FileFunc->GroupClasses();
    // Targets by class, and by a hash of their path for the identical-path
    // rule; a target reached through a hash collision takes the steps and
    // comes out of them untouched, as it would in the full walk.
    PositionIndex targetsByClass;
    PositionIndex targetsByPath;
    const std::hash<std::string> pathHash;
    NebuNameRec s;
    NebuNameRec t;
    for (bool mt = dst.FirstInGroup(t); mt; mt = dst.NextInGroup(t)) {
        const long position = dst.CurrentInGroup();
        const int cls = classes.ClassOf(t.Path);
        if (cls >= 0) targetsByClass.Add(static_cast<std::uint64_t>(cls), position);
        targetsByPath.Add(pathHash(t.Path), position);
    }
    targetsByClass.Seal();
    targetsByPath.Seal();
    std::vector<long> visit;
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        visit.clear();
        const int cls = classes.ClassOf(s.Path);
        if (cls >= 0) targetsByClass.AppendPositions(static_cast<std::uint64_t>(cls), visit);
        const std::size_t inClass = visit.size();
        targetsByPath.AppendPositions(pathHash(s.Path), visit);
        if (visit.size() > inClass) {
            std::sort(visit.begin(), visit.end());
            visit.erase(std::unique(visit.begin(), visit.end()), visit.end());
        }
        if (visit.empty()) continue;
        const auto [srcName, srcFolder] = SplitPath(s.Path);
        for (long position : visit) {
            if (job.Stop != 0) break;
            if (!dst.GoToInGroup(position, t)) continue;
            ComparePair(job, pairs, s, t, srcName, srcFolder);
        }
    }
}

// Whole archives, by the classes of their entries: a target can come out of
// the steps other than untouched only when it holds the same classes as
// often as the source, has the source's path, or has an entry that could
// not be taken out (it is asked about when met); a source with such an
// entry meets every target, as it asks about each.
void CompareArchiveGroup(TNebu& job, TSameChkList& pairs, const RecordClasses& archives) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    const auto sg = static_cast<std::size_t>(src.CurrentGroupIndex());
    const auto dg = static_cast<std::size_t>(dst.CurrentGroupIndex());
    std::map<std::vector<std::int32_t>, std::int64_t> ids;
    constexpr std::int64_t kUnknown = -1;
    constexpr std::int64_t kFailed = -2;
    auto signature = [&](Side side, std::size_t group, std::size_t file) {
        std::size_t n = 0;
        const RecordClasses::Result* r = archives.EntriesOf(side, group, file, n);
        std::vector<std::int32_t> classes;
        for (std::size_t k = 0; k < n; ++k) {
            if (r[k].failed) return kFailed;
            if (r[k].cls < 0) return kUnknown;
            classes.push_back(r[k].cls);
        }
        if (classes.empty()) return kUnknown;
        std::sort(classes.begin(), classes.end());
        const auto next = static_cast<std::int64_t>(ids.size());
        return ids.emplace(std::move(classes), next).first->second;
    };
    PositionIndex bySignature;
    PositionIndex byPath;
    std::vector<long> failing;
    std::vector<long> all;
    const std::hash<std::string> pathHash;
    NebuNameRec s;
    NebuNameRec t;
    for (bool mt = dst.FirstInGroup(t); mt; mt = dst.NextInGroup(t)) {
        const long position = dst.CurrentInGroup();
        const std::int64_t id = signature(Side::Target, dg, FileIndexAt(dst, position));
        all.push_back(position);
        if (id == kFailed) failing.push_back(position);
        if (id >= 0) bySignature.Add(static_cast<std::uint64_t>(id), position);
        byPath.Add(pathHash(t.Path), position);
    }
    bySignature.Seal();
    byPath.Seal();
    std::vector<long> visit;
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        const std::int64_t id = signature(Side::Source, sg, FileIndexAt(src, src.CurrentInGroup()));
        visit = id == kFailed ? all : failing;
        if (id >= 0) bySignature.AppendPositions(static_cast<std::uint64_t>(id), visit);
        byPath.AppendPositions(pathHash(s.Path), visit);
        std::sort(visit.begin(), visit.end());
        visit.erase(std::unique(visit.begin(), visit.end()), visit.end());
        const auto [srcName, srcFolder] = SplitPath(s.Path);
        for (long position : visit) {
            if (job.Stop != 0) break;
            if (!dst.GoToInGroup(position, t)) continue;
            ComparePair(job, pairs, s, t, srcName, srcFolder, &archives);
        }
    }
}

// Groups of whole archives on both sides, whose entries are classified
// together before the walk.
bool AllArchives(const TNebuList::SizeNode& group) {
    bool any = false;
    for (const TNebuList::FileNode& f : group.Files) {
        if (f.Alive == 0) continue;
        if (f.Kind == kKindPlain || !f.Entries) return false;
        any = true;
    }
    return any;
}

enum class Answer { Yes, No, Cancel };

void ResolvePairs(TNebu& job, TSameChkList& pairs, std::int64_t sizeKey) {
    TNebuFileFunc& ff = *job.FileFunc;
    SamePairRec rec;
    for (bool more = pairs.FirstPair(rec); more && job.Stop == 0; more = pairs.NextPair(rec)) {
        const std::string srcPath = JoinPath(rec.folder1, rec.name1);
        const std::string dstPath = JoinPath(rec.folder2, rec.name2);
        const std::string line = MakeSameLine(srcPath, dstPath);
        job.Log(line);

        Answer answer = Answer::Yes;
        bool deleteSource = false;
        if (job.NoDelete) {
            answer = Answer::No;
        } else if (job.DelConfirm && !rec.mutual) {
            const MsgAnswer a = job.Ask(line + "\n｢" + dstPath + "｣を削除してよいですか？",
                                        MsgButtons::YesNoCancel);
            answer = a == MsgAnswer::Yes  ? Answer::Yes
                     : a == MsgAnswer::No ? Answer::No
                                          : Answer::Cancel;
            if (answer == Answer::Cancel) job.RequestStop();
        } else if (job.DelConfirm) {
            DeleteChoice choice;
            choice.Fname1 = rec.name1;
            choice.Dname1 = rec.folder1;
            choice.Fname2 = rec.name2;
            choice.Dname2 = rec.folder2;
            switch (job.AskDeleteChoice(choice)) {
                case DelAnswer::DeleteFirst:
                    deleteSource = true;
                    answer = Answer::Yes;
                    break;
                case DelAnswer::DeleteSecond:
                    answer = Answer::Yes;
                    break;
                case DelAnswer::DeleteNeither:
                    answer = Answer::No;
                    break;
                default:
                    job.RequestStop();
                    answer = Answer::Cancel;
                    break;
            }
        }

        bool deleted = false;
        PairFate fate = job.NoDelete ? PairFate::Listed : PairFate::Kept;
        if (answer == Answer::Yes) {
            fate = PairFate::Refused;
            const std::string& doomed = deleteSource ? srcPath : dstPath;
            const std::string& kept = deleteSource ? dstPath : srcPath;
            const TNebuFileFunc::Removal removal = ff.RemoveDuplicateOf(doomed, kept);
            // A file already deleted under another name is not listed.
            if (removal == TNebuFileFunc::Removal::Settled) continue;
            if (removal == TNebuFileFunc::Removal::Deleted) {
                deleted = true;
                job.Log("｢" + doomed + "｣を削除しました。");
                rec.size = sizeKey;
                job.SettleDeleted(rec, deleteSource);
                if (deleteSource) {
                    pairs.DropPairsOf(rec.name1, rec.folder1);
                } else {
                    pairs.DropPairsOf(rec.name2, rec.folder2);
                }
            }
        }
        if (!deleted) {
            rec.size = sizeKey;
            job.HandOver(rec, fate);
        }
    }
    pairs.Clear();
}

// Heads of the plain files of one list: (group index, heads by file index),
// ascending, for the groups that will be classified only.
using ListHeads = std::vector<std::pair<std::size_t, std::vector<std::uint64_t>>>;

const std::vector<std::uint64_t>& HeadsOfGroup(const ListHeads& table, std::size_t group) {
    static const std::vector<std::uint64_t> none;
    const auto it = std::lower_bound(
        table.begin(), table.end(), group,
        [](const ListHeads::value_type& entry, std::size_t g) { return entry.first < g; });
    return it != table.end() && it->first == group ? it->second : none;
}

// Groups that will be sorted into classes: present on both sides, more than
// two plain files in all.
bool WillBeClassified(const TNebuList::SizeNode& a, const TNebuList::SizeNode& b) {
    auto plain = [](const TNebuList::SizeNode& g) {
        return std::count_if(g.Files.begin(), g.Files.end(), [](const TNebuList::FileNode& f) {
            return f.Alive != 0 && f.Kind == kKindPlain;
        });
    };
    return plain(a) + plain(b) > 2;
}

// Asks for the heads of every file that will be classified.
void RequestHeads(TNebu& job, HeadPass& pass, ListHeads& srcHeads, ListHeads& dstHeads) {
    const auto& src = job.SrcList->Groups();
    const auto& dst = job.DstList->Groups();
    srcHeads.clear();
    dstHeads.clear();
    // The inner vectors are sized before their slots are handed out and
    // never resized; moving them keeps the slots where they are.
    auto request = [&](const TNebuList::SizeNode& group, std::size_t index, ListHeads& table) {
        std::vector<std::uint64_t>& heads = table.emplace_back(index, group.Files.size()).second;
        for (std::size_t i = 0; i < group.Files.size(); ++i) {
            const TNebuList::FileNode& f = group.Files[i];
            if (f.Alive != 0 && f.Kind == kKindPlain) pass.Request(&f.Path, group.Size, &heads[i]);
        }
    };
    ForEachSharedSize(src, dst, [&](std::size_t i, std::size_t j) {
        if (WillBeClassified(src[i], dst[j])) {
            request(src[i], i, srcHeads);
            request(dst[j], j, dstHeads);
        }
    });
}

// Every plain file of the current group on either side, with its head.
// The paths are the lists' own texts, which stay in place while the group is
// compared (nothing is added to a list then).
std::vector<const std::string*> PlainFilesOfGroup(TNebu& job, const ListHeads& srcHeads,
                                                  const ListHeads& dstHeads,
                                                  ContentClasses::Heads& heads) {
    std::vector<const std::string*> paths;
    heads.clear();
    for (auto [list, table] :
         {std::pair{job.SrcList.get(), &srcHeads}, std::pair{job.DstList.get(), &dstHeads}}) {
        const int g = list->CurrentGroupIndex();
        if (g < 0) continue;
        const auto& files = list->Groups()[static_cast<std::size_t>(g)].Files;
        const auto& known = HeadsOfGroup(*table, static_cast<std::size_t>(g));
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (files[i].Alive == 0 || files[i].Kind != kKindPlain) continue;
            paths.push_back(&files[i].Path);
            if (i < known.size() && known[i] != HeadPass::kNoHead) {
                heads.push_back(known[i]);
            } else {
                heads.push_back(std::nullopt);
            }
        }
    }
    return paths;
}

}  // namespace

void ComparePlain(TNebu& job) {
    TSameChkList pairs;
    ListHeads srcHeads;
    ListHeads dstHeads;
    HeadPass pass;
    RequestHeads(job, pass, srcHeads, dstHeads);
    ContentClasses::Heads heads;
    RecordClasses archives(*job.FileFunc, job.FileFunc->GroupMemoryBudget);
    bool anyArchives = false;
    ForEachSharedSize(
        job.SrcList->Groups(), job.DstList->Groups(), [&](std::size_t i, std::size_t j) {
            if (AllArchives(job.SrcList->Groups()[i]) && AllArchives(job.DstList->Groups()[j])) {
                archives.AddArchiveEntries(Side::Source, *job.SrcList, i);
                archives.AddArchiveEntries(Side::Target, *job.DstList, j);
                anyArchives = true;
            }
        });
    // Both passes are planned before either reads, so the plan never grows
    // behind the bar.
    job.Bytes.AddPlanned(pass.PlannedBytes() + archives.PlannedBytes());
    // Heads are read folder by folder, before the groups are compared.
    job.Bytes.BeginSpan(pass.PlannedBytes());
    pass.Run(job.Stop);
    job.Bytes.BeginSpan(archives.PlannedBytes());
    if (anyArchives) archives.Run(job.Stop);
    ForEachCommonGroup(job, [&](std::int64_t sizeKey) {
        // Two files are compared directly; more are sorted into classes of
        // identical bytes first, so no file is read once per partner.
        // Whole archives: each entry is extracted once for the group.
        std::vector<const std::string*> paths = PlainFilesOfGroup(job, srcHeads, dstHeads, heads);
        if (archives.Holds(Side::Source,
                           static_cast<std::size_t>(job.SrcList->CurrentGroupIndex()))) {
            job.FileFunc->PrepareGroup(std::vector<std::string>{});
            CompareArchiveGroup(job, pairs, archives);
        } else if (paths.size() > 2) {
            job.FileFunc->PrepareGroup(paths, &heads);
            CompareGroupByClass(job, pairs);
        } else {
            job.FileFunc->PrepareGroup(std::vector<std::string>{});
            CompareGroup(job, pairs);
        }
        job.FileFunc->EndGroup();
        if (pairs.Count() > 0) ResolvePairs(job, pairs, sizeKey);
        pairs.Clear();
        // Every deletion that needed them is behind us: no file is compared
        // outside its own size group. Kept, they would grow with the run.
        job.FileFunc->ForgetIdentities();
    });
}

}  // namespace nebu
