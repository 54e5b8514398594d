#include "cli/JobRunner.h"

#include <algorithm>
#include <atomic>
#include <csignal>

#include "cli/CliHost.h"
#include "engine/SameChkList.h"

namespace nebu::cli {

namespace {
// Written by the handler, read by the ticker thread: a lock-free atomic is
// safe for both.
std::atomic<int> g_interrupted{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    g_interrupted = 1;
}
}  // namespace

void InstallInterruptHandler() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaction(signal, &sa, nullptr);
}

bool InterruptRequested() {
    return g_interrupted != 0;
}

void ClearInterrupt() {
    g_interrupted = 0;
}

RunOutcome RunJobFromCommandLine(TNebu& job, std::istream& answers, std::ostream& prompt,
                                 const RunHooks& hooks) {
    RunOutcome outcome;
    CliHost host(answers, prompt);
    CliHost::Callbacks callbacks;
    callbacks.onLogLine = hooks.onLogLine;
    if (hooks.keepSameList) {
        callbacks.onSamePair = [&](const SamePairRec& rec) { outcome.sameList.push_back(rec); };
    }
    callbacks.stopWanted = [] { return InterruptRequested(); };
    callbacks.onTick = hooks.onTick;
    job.PairSettled = hooks.onPairSettled;
    host.RunJob(job, callbacks);
    job.PairSettled = nullptr;
    outcome.phase = job.Phase;
    outcome.failures = job.FileFunc->Failures.List();

    // Rows that name an archive deleted as a whole, or its entries, are gone
    // with it.
    std::string deleted;
    while (job.DeletedArcs.Pop(deleted)) {
        outcome.deletedArchives.push_back(deleted);
        auto& rows = outcome.sameList;
        rows.erase(std::remove_if(rows.begin(), rows.end(),
                                  [&](const SamePairRec& r) {
                                      return r.folder2 == deleted ||
                                             JoinPath(r.folder2, r.name2) == deleted;
                                  }),
                   rows.end());
    }
    return outcome;
}

}  // namespace nebu::cli
