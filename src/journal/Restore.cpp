#include "journal/Restore.h"

#include <algorithm>
#include <ctime>
#include <set>

#include "platform/Trash.h"

namespace nebu::journal {

std::vector<RunDeletion> DeletionsOf(const Contents& contents, const std::string& run) {
    std::set<std::int64_t> withdrawn;
    std::set<std::int64_t> restored;
    for (const Entry& e : contents.entries) {
        if (e.run != run) continue;
        if (e.event == Event::Withdrawn) withdrawn.insert(e.seq);
        if (e.event == Event::Restored) restored.insert(e.seq);
    }
    std::vector<RunDeletion> deletions;
    std::set<std::int64_t> seen;
    for (const Entry& e : contents.entries) {
        if (e.run != run || e.event != Event::Deleted || withdrawn.count(e.seq) != 0 ||
            !seen.insert(e.seq).second) {
            continue;
        }
        deletions.push_back({e, restored.count(e.seq) != 0});
    }
    return deletions;
}

std::vector<RunSummary> Runs(const Contents& contents) {
    std::vector<RunSummary> runs;
    std::set<std::string> listed;
    for (const Entry& e : contents.entries) {
        if (e.event != Event::Deleted || !listed.insert(e.run).second) continue;
        RunSummary summary;
        summary.run = e.run;
        summary.time = e.time;
        for (const RunDeletion& d : DeletionsOf(contents, e.run)) {
            ++summary.deleted;
            if (!d.entry.ForGood() && !d.restored) ++summary.restorable;
        }
        runs.push_back(std::move(summary));
    }
    return runs;
}

std::string LastRun(const Contents& contents) {
    const std::vector<RunSummary> runs = Runs(contents);
    return runs.empty() ? std::string() : runs.back().run;
}

std::optional<std::string> RefuseRestore(const Contents& contents, const std::string& run) {
    if (!contents.found) {
        return "no deletion journal / 削除の記録がありません";
    }
    if (run.empty()) return "the journal holds no run / 記録された処理がありません";
    // A damaged line of this run may be a deletion or a restore: going on
    // could restore a file twice or miss one without a word.
    for (const std::string& text : contents.damagedText) {
        if (text.find(run) != std::string::npos) {
            return "a damaged journal line belongs to run " + run +
                   " / この処理の記録が壊れています";
        }
    }
    const bool known = std::any_of(contents.entries.begin(), contents.entries.end(),
                                   [&](const Entry& e) { return e.run == run; });
    if (!known) return "unknown run: " + run + " / その処理の記録はありません";
    return std::nullopt;
}

RestoreResult RestoreRun(const Contents& contents, const std::string& run, Writer& writer) {
    RestoreResult result;
    for (const RunDeletion& d : DeletionsOf(contents, run)) {
        const Entry& e = d.entry;
        if (e.ForGood()) {
            result.forGood.push_back(e.path);
            continue;
        }
        if (d.restored) continue;
        int error = 0;
        switch (platform::PutBackFromTrash({e.trashFile, e.trashInfo}, e.path, &error)) {
            case platform::PutBack::Done:
                break;
            case platform::PutBack::OriginalTaken:
                result.left.push_back({e.path, LeftInTrash::Why::OriginalTaken, 0});
                continue;
            case platform::PutBack::TrashCopyGone:
                result.left.push_back({e.path, LeftInTrash::Why::TrashCopyGone, 0});
                continue;
            case platform::PutBack::Failed:
                result.left.push_back({e.path, LeftInTrash::Why::Failed, error});
                continue;
        }
        result.restored.push_back(e.path);
        Entry line;
        line.event = Event::Restored;
        line.run = run;
        line.seq = e.seq;
        line.time = UtcTime(std::time(nullptr));
        line.path = e.path;
        if (!writer.Append(line)) {
            if (result.unrecorded.empty()) result.error = writer.Error();
            result.unrecorded.push_back(e.path);
        }
    }
    return result;
}

}  // namespace nebu::journal
