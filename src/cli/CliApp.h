#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace nebu::cli {

// Where the command line runs: questions need a terminal on standard input;
// the progress line goes to standard error when that is a terminal.
struct Terminal {
    bool input = false;
    bool errorOutput = false;
    // Standard output is a terminal or a pipe: whoever reads it takes each
    // line as it comes, and a reader that went away stops the run.
    bool outputReadLive = false;
};

// The whole command line: parse, check, run, report. Returns the exit code.
int RunCli(int argc, char** argv);
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, Terminal terminal);

}  // namespace nebu::cli
