#pragma once
// --list-runs, --restore-last and --restore RUN: the deletion journal read
// back on the command line, no job run.

#include <ostream>

#include "cli/CliOptions.h"

namespace nebu::cli {

// The exit code: 0 done, 2 no journal / unknown run / a damaged line of the
// run, 4 a file stayed in the trash or its restore could not be recorded.
int RunJournalCommand(const CliOptions& options, std::ostream& out, std::ostream& err);

}  // namespace nebu::cli
