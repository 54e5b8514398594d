// Two whole archives are the same when every entry of one is paired with a
// content-equal entry of the other, one to one; the entries' classes were
// found before the walk, each entry taken out once.

#include <algorithm>
#include <vector>

#include "engine/ClassGroups.h"
#include "engine/CompareModes.h"
#include "engine/NebuFileFunc.h"
#include "platform/FileIdentity.h"

namespace nebu {

namespace {

bool AnyFailed(const ArchiveEntryClasses& entries) {
    return std::any_of(entries.at, entries.at + entries.count,
                       [](const RecordClasses::Result& r) { return r.failed; });
}

// Every entry paired with an equal one: the same classes, as often.
bool SameClasses(const ArchiveEntryClasses& a, const ArchiveEntryClasses& b) {
    std::vector<std::int32_t> x;
    std::vector<std::int32_t> y;
    for (std::size_t i = 0; i < a.count; ++i) x.push_back(a.at[i].cls);
    for (std::size_t i = 0; i < b.count; ++i) y.push_back(b.at[i].cls);
    if (std::find(x.begin(), x.end(), -1) != x.end()) return false;
    std::sort(x.begin(), x.end());
    std::sort(y.begin(), y.end());
    return x == y;
}

// With an entry that could not be taken out, the entries meet in the order
// of their lists, each source entry the active targets of its size until one
// is equal, so that the same questions are asked as when each was extracted
// on its turn.
bool MatchInListOrder(TNebuFileFunc& ff, const ArchiveEntryClasses& a, const ArchiveEntryClasses& b,
                      const NebuNameRec& source, const NebuNameRec& target) {
    const auto& e1 = source.Entries.Entries();
    const auto& e2 = target.Entries.Entries();
    std::vector<bool> active(e2.size());
    std::size_t left = 0;
    for (std::size_t j = 0; j < e2.size(); ++j) left += (active[j] = e2[j].active) ? 1 : 0;
    for (std::size_t i = 0; i < e1.size(); ++i) {
        if (a.at[i].failed) {
            ff.AskAfterFailedExtraction(source.Path);
            break;
        }
        bool giveUp = false;
        for (std::size_t j = 0; j < e2.size(); ++j) {
            if (!active[j] || e2[j].size < e1[i].size) continue;
            if (e2[j].size > e1[i].size) {
                giveUp = true;
                break;
            }
            if (b.at[j].failed) {
                ff.AskAfterFailedExtraction(target.Path);
                giveUp = true;
                break;
            }
            if (a.at[i].cls >= 0 && a.at[i].cls == b.at[j].cls) {
                active[j] = false;
                --left;
                break;
            }
        }
        if (giveUp || ff.Stop == 1) break;
    }
    return left == 0;
}

}  // namespace

bool CompareArchives(TNebuFileFunc& ff, ArchiveEntryClasses sourceEntries,
                     ArchiveEntryClasses targetEntries, NebuNameRec& source, NebuNameRec& target) {
    TTmpList& se = source.Entries;
    TTmpList& te = target.Entries;
    if (se.Count() != te.Count()) return false;
    if (se.Count() == 0 || te.Count() == 0) return false;
    if (sourceEntries.count != se.Size() || targetEntries.count != te.Size()) return false;
    // One archive file reached by two names holds no duplicate of itself.
    const auto sourceId = platform::IdentityOfPath(source.Path);
    const auto targetId = platform::IdentityOfPath(target.Path);
    if (sourceId && targetId && sourceId->SameFileAs(*targetId)) return false;

    std::int64_t a = 0;
    std::int64_t b = 0;
    std::string n1;
    std::string n2;
    // Both lists are in ascending size order, so this compares the sorted sizes.
    for (bool m1 = se.First(a, n1), m2 = te.First(b, n2); m1 && m2;
         m1 = se.Next(a, n1), m2 = te.Next(b, n2)) {
        if (a != b) return false;
    }
    const bool same = AnyFailed(sourceEntries) || AnyFailed(targetEntries)
                          ? MatchInListOrder(ff, sourceEntries, targetEntries, source, target)
                          : SameClasses(sourceEntries, targetEntries);
    if (!same || !ff.ArchiveAsListed(source.Path) || !ff.ArchiveAsListed(target.Path)) {
        return false;
    }
    // Either may be deleted as the other's duplicate: as listed, which the
    // pass that took their entries out has checked.
    RememberListedArchive(ff, source.Path);
    RememberListedArchive(ff, target.Path);
    return true;
}

}  // namespace nebu
