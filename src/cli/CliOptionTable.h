#pragma once
// The options the command line accepts, one table row each: the names that
// give it, whether a value follows, and what it does to the job being read.
// Whether the options together make a job is checked afterwards.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/CliDirectories.h"
#include "cli/CliOptions.h"

namespace nebu::cli {

// What the options write into while the command line is read.
struct OptionReading {
    CliOptions& options;
    std::string& error;  // the first refusal; reading stops there
    NamedDirectoriesBySide named;
    bool settingsLoaded = false;
    // Masks given on this command line per side, which a side's plain files
    // keep whatever came between them and its --*-with-files.
    std::array<std::optional<std::string>, 2> typedMasks{};
    std::array<std::optional<std::string>, 2> typedIgnores{};
};

struct CliOption {
    std::string_view name;
    std::string_view alias;  // empty when there is one name only
    bool takesValue;
    void (*apply)(OptionReading& reading, const std::string& value);
};

std::span<const CliOption> CliOptionTable();

// The row giving `name`, or nullptr for an unknown option.
const CliOption* FindCliOption(std::string_view name);

}  // namespace nebu::cli
