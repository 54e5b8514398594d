#include "cli/CliApp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <iostream>

#include "cli/CliOptions.h"
#include "cli/ExitCodes.h"
#include "cli/JobRunner.h"
#include "cli/JournalCommands.h"
#include "cli/ProgressLine.h"
#include "cli/ScriptOutput.h"
#include "engine/Nebu.h"
#include "platform/ProcessSetup.h"
#include "report/CsvFormat.h"
#include "report/DiffList.h"
#include "report/LogFile.h"
#include "settings/JobSetup.h"
#include "settings/SettingsFile.h"

namespace nebu::cli {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Every directory the job would scan must exist; a typing error must not
// pass for a folder without duplicates.
std::optional<std::string> MissingDirectory(const TNebu& job) {
    for (const TDirList* dirs : {&job.SrcDirs, &job.DstDirs}) {
        for (const auto& dir : dirs->InAddedOrder()) {
            if (!IsDirectory(dir)) return dir;
        }
    }
    return std::nullopt;
}

bool OutputReadLive() {
    if (::isatty(STDOUT_FILENO) != 0) return true;
    struct stat st;
    return ::fstat(STDOUT_FILENO, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

bool WriteSameList(const std::string& path, const std::vector<SamePairRec>& pairs) {
    std::string records;
    for (const auto& pair : pairs) records += CsvRecord(MakeSameRow(pair));
    return WriteCsvFile(CsvFileName(path), records);
}

bool WriteSameListUtf8(const std::string& path, const std::vector<SamePairRec>& pairs) {
    std::string records;
    for (const auto& pair : pairs) records += CsvRecord(MakeSameRow(pair));
    return WriteSameCsvUtf8File(CsvFileName(path), records);
}

bool WriteDiffList(const std::string& path, const TNebu& job) {
    const DiffListResult diff = BuildDiffList(*job.DstList, *job.SrcList);
    std::string records;
    for (const auto& row : diff.Rows) records += CsvRecord(row);
    return WriteCsvFile(CsvFileName(path), records);
}

}  // namespace

int RunCli(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    platform::PrepareProcess();
    InstallInterruptHandler();
    Terminal terminal{::isatty(STDIN_FILENO) != 0, ::isatty(STDERR_FILENO) != 0, OutputReadLive()};
    return RunCli(args, std::cin, std::cout, std::cerr, terminal);
}

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, Terminal terminal) {
    TNebu job;
    std::string error;
    std::optional<CliOptions> options = ParseCommandLine(
        args, job.FileFunc->LzhReady, job.FileFunc->ZipReady, error, job.FileFunc->ArcReady);
    if (!options) {
        err << "nebu-cli: " << error << "\n(nebu-cli --help)\n";
        return kExitUsage;
    }
    if (options->help) {
        out << UsageText();
        return kExitFinished;
    }
    if (options->version) {
        out << "nebu-cli " << NEBU_VERSION << "\n";
        return kExitFinished;
    }
    if (options->journal != CliOptions::JournalCommand::None) {
        return RunJournalCommand(*options, out, err);
    }
    const WindowSettings& ws = options->settings;
    if (auto refusal = ApplyToJob(ws, job)) {
        err << *refusal << "\n";
        return kExitUsage;
    }
    if (auto missing = MissingDirectory(job)) {
        err << "nebu-cli: ディレクトリがありません / no such directory: " << *missing << "\n";
        return kExitUsage;
    }
    if (job.DelConfirm && !job.NoDelete && !terminal.input) {
        err << "nebu-cli: --confirm は端末が必要です / --confirm needs a terminal to ask on\n";
        return kExitUsage;
    }
    if (!options->saveSettingsPath.empty()) {
        if (auto failure = SaveSettings(*options)) {
            err << "nebu-cli: " << *failure << "\n";
            return kExitWriteFailed;
        }
    }

    const std::string logPath = !options->logPath.empty() ? options->logPath : LogPathForJob(ws);
    const bool showProgress = options->progress || (terminal.errorOutput && !options->quiet);
    ProgressLine progress(err, terminal.errorOutput);
    bool logFailed = false;

    ScriptOutput scripts(*options, out);
    // Output for scripts has standard output to itself; the log moves aside.
    const bool logAside = options->json || options->print0;
    std::ostream& logOut = logAside ? err : out;
    RunHooks hooks;
    hooks.keepSameList = !options->csvPath.empty() || !options->csvUtf8Path.empty();
    if (scripts.WantsPairs()) {
        hooks.onPairSettled = [&](const SamePairRec& pair) { scripts.OnPair(pair); };
    }
    hooks.onLogLine = [&](const std::string& line) {
        if (!options->quiet) {
            progress.Clear();
            logOut << (line + "\n");
            // Somebody reading along, or about to answer a question, sees
            // each line at once; a file gets them in blocks.
            if (terminal.input || terminal.outputReadLive) logOut << std::flush;
        }
        if (!logPath.empty() && !logFailed && !AppendLogFileLine(logPath, line)) {
            // The run stops rather than going on without the record asked for.
            logFailed = true;
            progress.Clear();
            err << kLogWriteFailedMessage << " " << logPath << "\n";
            job.RequestStop();
        }
    };
    if (showProgress) hooks.onTick = [&](const TNebu& j) { progress.Show(j); };

    RunOutcome outcome = RunJobFromCommandLine(job, in, err, hooks);
    if (showProgress) progress.Finish(job);

    bool writeFailed = logFailed;
    if (!options->csvPath.empty() && !WriteSameList(options->csvPath, outcome.sameList)) {
        err << kCsvWriteFailedMessage << " " << options->csvPath << "\n";
        writeFailed = true;
    }
    if (!options->csvUtf8Path.empty() &&
        !WriteSameListUtf8(options->csvUtf8Path, outcome.sameList)) {
        err << kCsvWriteFailedMessage << " " << options->csvUtf8Path << "\n";
        writeFailed = true;
    }
    scripts.Finish(job, outcome.phase == kPhaseFinished, outcome.failures.size(),
                   outcome.deletedArchives);
    // The different-file list exists only after a finished run whose sides
    // were set up differently.
    if (!options->diffCsvPath.empty() && outcome.phase == kPhaseFinished && !ws.CheckSame &&
        !WriteDiffList(options->diffCsvPath, job)) {
        err << kCsvWriteFailedMessage << " " << options->diffCsvPath << "\n";
        writeFailed = true;
    }
    out << std::flush;
    for (const RunFailure& failure : outcome.failures) {
        err << "nebu-cli: " << FailureText(failure) << "\n";
    }
    job.SrcList->Clear();
    job.DstList->Clear();
    if (writeFailed) return kExitWriteFailed;
    if (outcome.phase != kPhaseFinished) return kExitStopped;
    return outcome.failures.empty() ? kExitFinished : kExitWithFailures;
}

}  // namespace nebu::cli
