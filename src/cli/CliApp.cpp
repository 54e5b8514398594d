#include "cli/CliApp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <iostream>

#include "cli/CliOptions.h"
#include "cli/JobRunner.h"
#include "engine/Nebu.h"
#include "platform/PathText.h"

namespace nebu::cli {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ArchiveMask(bool lzh, bool zip, bool exe) {
    std::string mask = lzh && zip ? "*.LZH;*.ZIP;" : lzh ? "*.LZH;" : "*.ZIP;";
    if (exe) mask += "*.EXE;";
    return mask;
}

void ConfigureJob(const CliOptions& o, TNebu& job) {
    job.SrcDirs.Clear();
    job.DstDirs.Clear();
    for (const auto& d : o.sources) job.SrcDirs.Add(platform::WithTrailingSeparator(d));
    for (const auto& d : o.targets) job.DstDirs.Add(platform::WithTrailingSeparator(d));
    job.SrcSubDir = o.srcSubDir;
    job.DstSubDir = o.dstSubDir;
    job.SrcLzh = o.srcLzh;
    job.SrcZip = o.srcZip;
    job.DstLzh = o.dstLzh;
    job.DstZip = o.dstZip;
    job.SrcMask = (o.srcLzh || o.srcZip) ? ArchiveMask(o.srcLzh, o.srcZip, o.arcExe) : "*;";
    job.DstMask = (o.dstLzh || o.dstZip) ? ArchiveMask(o.dstLzh, o.dstZip, o.arcExe) : "*;";
    job.SrcIgnore.clear();
    job.DstIgnore.clear();
    job.ArcByEntry = o.arcByEntry;
    job.SizeMin = o.noSizeLimit ? 0 : 1;
    job.SizeMax = o.noSizeLimit ? 999999999 : 100000000;
    job.SearchAttr = 0x31;
    job.NoDelete = (o.deleteDuplicates || o.confirm) ? 0 : 1;
    job.DelConfirm = o.confirm ? 1 : 0;
    job.ToRecycleBin = o.trash ? 1 : 0;
    job.DelEmptyDirs = 0;
}

}  // namespace

int RunCli(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    InstallInterruptHandler();
    return RunCli(args, std::cin, std::cout, std::cerr, ::isatty(STDIN_FILENO) != 0);
}

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, bool interactive) {
    std::string error;
    std::optional<CliOptions> options = ParseCommandLine(args, error);
    if (!options) {
        err << "nebu-cli: " << error << "\n" << UsageText();
        return 2;
    }
    if (options->help) {
        out << UsageText();
        return 0;
    }
    if (options->version) {
        out << "nebu-cli " << NEBU_VERSION << "\n";
        return 0;
    }
    for (const auto* side : {&options->sources, &options->targets}) {
        for (const auto& dir : *side) {
            if (!IsDirectory(dir)) {
                err << "nebu-cli: ディレクトリがありません / no such directory: " << dir << "\n";
                return 2;
            }
        }
    }
    if (options->confirm && !interactive) {
        err << "nebu-cli: --confirm は端末が必要です / --confirm needs a terminal to ask on\n";
        return 2;
    }

    TNebu job;
    ConfigureJob(*options, job);
    RunHooks hooks;
    hooks.onLogLine = [&](const std::string& line) { out << line << "\n" << std::flush; };
    RunOutcome outcome = RunJobFromCommandLine(job, in, err, hooks);
    return outcome.phase == kPhaseFinished ? 0 : 1;
}

}  // namespace nebu::cli
