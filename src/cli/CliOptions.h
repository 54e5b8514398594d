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
    std::string diffCsvPath;
    std::string logPath;
    std::string saveSettingsPath;
    bool quiet = false;
    bool progress = false;
    // The deletion journal instead of a job: list its runs, or put back
    // what a run moved to the trash (restoreRun empty: the last run).
    enum class JournalCommand { None, ListRuns, Restore };
    JournalCommand journal = JournalCommand::None;
    std::string restoreRun;
    bool help = false;
    bool version = false;
};

// `lzhReady`/`zipReady` tell whether the archive options can be used.
// nullopt and a message in `error` when the command line cannot be used.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args, bool lzhReady,
                                           bool zipReady, std::string& error);

// Writes the settings of the job to saveSettingsPath (".neb" added when the
// name has no dot); the error naming the file, or nothing.
std::optional<std::string> SaveSettings(const CliOptions& options);

std::string UsageText();

}  // namespace nebu::cli
