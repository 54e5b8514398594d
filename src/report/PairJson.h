#pragma once
// JSON Lines for scripts (nebu-cli --json): one object per pair, per target
// folder, and one summary at the end. Each object carries "type" first.

#include <cstdint>
#include <string>

#include "engine/SamePair.h"
#include "report/FolderCoverage.h"

namespace nebu {

// "listed", "kept", "refused", "deleted" or "trashed": what became of the
// target. A mutual pair whose source the user deleted instead keeps its
// target ("kept") and tells the source's fate in "source_outcome".
const char* TargetOutcomeText(PairFate fate);

// {"type":"pair","source":...,["source_entry":...,]"target":...,
//  ["target_entry":...,]"size":N,"mutual":bool,"outcome":...} and a newline.
// A side in an archive gives the archive as the path and the entry apart;
// any name that is not UTF-8 also comes as "<key>_base64".
std::string PairJsonLine(const SamePairRec& pair);

// {"type":"folder","folder":...,"files":N,"found":N,"bytes":N,
//  "found_bytes":N,"all_found":bool} and a newline.
std::string FolderJsonLine(const FolderCoverageRow& row);

struct RunSummary {
    bool finished = false;  // false: stopped before the end
    std::int64_t sourceFiles = 0;
    std::int64_t targetFiles = 0;
    std::int64_t failures = 0;
    // Pairs by the target's outcome, and the bytes of their targets.
    std::int64_t listed = 0, kept = 0, refused = 0, deleted = 0, trashed = 0;
    std::int64_t sourceDeleted = 0;  // of the kept: source deleted or trashed instead
    std::int64_t bytes = 0;

    void Count(const SamePairRec& pair);
    std::int64_t Pairs() const { return listed + kept + refused + deleted + trashed; }
};

// {"type":"summary",...} and a newline.
std::string SummaryJsonLine(const RunSummary& summary);

}  // namespace nebu
