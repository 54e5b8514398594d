#pragma once
// The one command the stand-ins run: extract a single entry into a folder.
//   LZH: e -m -n -gm -p ARCHIVE FOLDER/ "ENTRY"
//   ZIP: -x -j --i ARCHIVE FOLDER/ "ENTRY"
//   7z, tar, RAR: e -j ARCHIVE FOLDER/ "ENTRY"
// A path holding a blank or a double quote arrives in double quotes, with
// each double quote of its own written twice; the folder ends in "/".

#include <optional>
#include <string>
#include <string_view>

#include "platform/ArchiveStream.h"

namespace nebu::platform {

struct ExtractCommand {
    std::string archivePath;
    std::string folder;  // ends in "/"
    std::string entryName;
};

// A path as it is written into a command line, so that the parser below
// gives it back unchanged.
std::string QuoteCommandPath(std::string_view path);

// The options that begin the command of `format`.
std::string_view ExtractOptions(ArchiveFormat format);

// nullopt for anything but exactly that form.
std::optional<ExtractCommand> ParseExtractCommand(std::string_view line, ArchiveFormat format);

}  // namespace nebu::platform
