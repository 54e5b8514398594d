#pragma once
// The directories a command line may send a job to: those it names with
// -s/-t (as the kernel resolves them) and those a settings file or --set
// names, which must exist as written. Nothing else, no default and no
// stand-in for a missing directory, is ever searched.

#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"

namespace nebu::cli {

// The directory as the kernel finds it: links and ".." taken the way a path
// lookup takes them ("LINK/.." is the folder above the link's target).
std::optional<std::string> ResolveDirectory(const std::string& dir);

std::string NoSuchDirectory(const std::string& dir);

class NamedDirectoriesBySide {
  public:
    // What a settings file names replaces what earlier files and --set named;
    // the refusal when one of its directories does not exist.
    std::optional<std::string> TakeSettingsFile(const std::string& path);
    // The directories a --set assignment names; the refusal when one does
    // not exist as written.
    std::optional<std::string> TakeAssignment(const std::string& assignment);
    // The refusal when a side would search a directory nobody named (the
    // reset tree "/" or a stand-in); -s/-t directories count as named.
    std::optional<std::string> RefuseUnnamed(const CliOptions& options) const;

  private:
    std::vector<std::string> named_[3];
};

}  // namespace nebu::cli
