#pragma once
// Runs one prepared job from the command line: prints the log as it is
// drained, collects the same-file list, and stops on Ctrl-C.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "engine/Nebu.h"
#include "engine/RunFailures.h"
#include "engine/SamePair.h"

namespace nebu::cli {

struct RunOutcome {
    std::uint8_t phase = 0;
    // What the run failed to do (deletions, folders, work folders).
    std::vector<RunFailure> failures;
    // Every same-pair handed over, in hand-over order, without the rows of
    // archives deleted as a whole.
    std::vector<SamePairRec> sameList;
    // Target archives deleted whole at the end of the run.
    std::vector<std::string> deletedArchives;
};

struct RunHooks {
    // Only a run that writes the same-file list keeps it: with thousands of
    // pairs it is a large part of the run's memory.
    bool keepSameList = true;
    std::function<void(const std::string&)> onLogLine;
    std::function<void(const TNebu&)> onTick;
    // Every pair as the job settles it, deleted ones included (job's thread).
    std::function<void(const SamePairRec&)> onPairSettled;
};

// Questions are asked on `prompt` and answered from `answers`.
RunOutcome RunJobFromCommandLine(TNebu& job, std::istream& answers, std::ostream& prompt,
                                 const RunHooks& hooks);

// Ctrl-C, SIGTERM, SIGHUP and a closed output pipe (SIGPIPE) set both stop
// requests of the running job instead of killing the process, so the run
// still ends with its closing lines and removes its work folders.
void InstallInterruptHandler();
bool InterruptRequested();
void ClearInterrupt();

}  // namespace nebu::cli
