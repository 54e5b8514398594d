#pragma once
// What the command line asks for, before it is turned into a job.

#include <optional>
#include <string>
#include <vector>

namespace nebu::cli {

struct CliOptions {
    std::vector<std::string> sources;  // in the order given
    std::vector<std::string> targets;
    bool srcSubDir = false;
    bool dstSubDir = false;
    bool srcLzh = false;
    bool srcZip = false;
    bool dstLzh = false;
    bool dstZip = false;
    bool arcExe = false;
    bool arcByEntry = false;
    bool deleteDuplicates = false;
    bool confirm = false;
    bool trash = false;
    bool noSizeLimit = false;
    std::string csvPath;
    bool help = false;
    bool version = false;
};

// nullopt and a message in `error` when the command line cannot be used.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args,
                                           std::string& error);

std::string UsageText();

}  // namespace nebu::cli
