#pragma once
// nebu-cli run inside the test process, as a script runs it: what it wrote
// on each stream and its exit code.

#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"

namespace nebu::test {

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

// `answers` is standard input; `interactive` says whether it is a terminal.
inline CliRun RunCliHere(const std::vector<std::string>& args, const std::string& answers = "",
                         bool interactive = false) {
    std::istringstream in(answers);
    std::ostringstream out;
    std::ostringstream err;
    CliRun r;
    r.code = cli::RunCli(args, in, out, err, cli::Terminal{interactive, false});
    r.out = out.str();
    r.err = err.str();
    return r;
}

}  // namespace nebu::test
