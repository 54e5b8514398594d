#pragma once
// What the command line asks for: the window settings a job is made from
// (defaults, a settings file, then single options in the order given) and
// what only the command line does with the results.

#include <optional>
#include <string>
#include <vector>

#include "settings/WindowSettings.h"

namespace nebu::cli {

struct CliOptions {
    WindowSettings settings;
    // Directories given with -s/-t, in the order given; they replace a side's
    // directories from a settings file.
    std::vector<std::string> sources;
    std::vector<std::string> targets;
    std::string csvPath;
    std::string csvUtf8Path;  // the same list, UTF-8 with a byte-order mark and a header
    std::string diffCsvPath;
    std::string logPath;
    std::string saveSettingsPath;
    bool quiet = false;
    // Output for scripts on standard output; the log lines then go to
    // standard error instead.
    bool json = false;
    bool print0 = false;
    bool folders = false;  // one line (or JSON object) per target folder after the job
    bool progress = false;
    // The deletion journal instead of a job: list its runs, or put back
    // what a run moved to the trash (restoreRun empty: the last run).
    enum class JournalCommand { None, ListRuns, Restore };
    JournalCommand journal = JournalCommand::None;
    std::string restoreRun;
    bool help = false;
    bool version = false;
};

// `lzhReady`/`zipReady`/`arcReady` tell whether the archive options can be
// used. nullopt and a message in `error` when the command line cannot be used.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args, bool lzhReady,
                                           bool zipReady, std::string& error, bool arcReady = true);

// Writes the settings of the job to saveSettingsPath (".neb" added when the
// name has no dot); the error naming the file, or nothing.
std::optional<std::string> SaveSettings(const CliOptions& options);

std::string UsageText();

// Whether `path` is where standard output goes: its usual names, or the
// very file or pipe descriptor 1 is open on.
bool NamesStandardOutput(const std::string& path);

}  // namespace nebu::cli
