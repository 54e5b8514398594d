#pragma once
// Reading the journal back: the runs it holds, and putting the files a run
// moved to the trash back where they were.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "journal/Journal.h"

namespace nebu::journal {

struct RunSummary {
    std::string run;
    std::string time;  // of its first deletion
    int deleted = 0;
    int restorable = 0;  // in the trash and not yet put back
};

// In the order the runs began.
std::vector<RunSummary> Runs(const Contents& contents);
// The run that began last; empty when the journal holds none.
std::string LastRun(const Contents& contents);

// The deletions of `run` that happened, each once, with whether it was put
// back since.
struct RunDeletion {
    Entry entry;
    bool restored = false;
};
std::vector<RunDeletion> DeletionsOf(const Contents& contents, const std::string& run);

// Why a run cannot be restored as asked; nullopt when it can.
std::optional<std::string> RefuseRestore(const Contents& contents, const std::string& run);

struct LeftInTrash {
    std::string path;
    enum class Why { OriginalTaken, TrashCopyGone, Failed } why;
    int error = 0;
};
struct RestoreResult {
    std::vector<std::string> restored;
    std::vector<LeftInTrash> left;
    std::vector<std::string> forGood;
    std::vector<std::string> unrecorded;  // put back, but the journal line failed
    int error = 0;                        // of the first unrecorded line
};

// Puts back every file of `run` still in the trash, recording each in
// `writer`; one taken place or missing trash copy never stops the rest.
RestoreResult RestoreRun(const Contents& contents, const std::string& run, Writer& writer);

}  // namespace nebu::journal
