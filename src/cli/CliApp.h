#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace nebu::cli {

// The whole command line: parse, check, run, report. Returns the exit code.
int RunCli(int argc, char** argv);
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, bool interactive);

}  // namespace nebu::cli
