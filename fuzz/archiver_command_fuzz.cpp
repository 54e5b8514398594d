// A command line for either stand-in library: parsed, and every path the
// parser accepts must survive being quoted and parsed again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ArchiverCommand.h"

namespace {

void CheckRoundTrip(const nebu::platform::ExtractCommand& c, nebu::platform::ArchiveFormat format) {
    using namespace nebu::platform;
    const std::string options = format == ArchiveFormat::Lzh ? "e -m -n -gm -p " : "-x -j --i ";
    const std::string line = options + QuoteCommandPath(c.archivePath) + " " +
                             QuoteCommandPath(c.folder) + " \"" + c.entryName + "\"";
    const auto again = ParseExtractCommand(line, format);
    if (!again || again->archivePath != c.archivePath || again->folder != c.folder ||
        again->entryName != c.entryName) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nebu::platform;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    for (ArchiveFormat format : {ArchiveFormat::Lzh, ArchiveFormat::Zip}) {
        if (auto command = ParseExtractCommand(line, format)) CheckRoundTrip(*command, format);
    }
    // Any path, quoted, comes back whole.
    const std::string path(line.substr(0, line.find('\0')));
    if (!path.empty() && path.back() == '/' && path.find('\0') == std::string::npos) {
        ExtractCommand c{path, path, "x"};
        CheckRoundTrip(c, ArchiveFormat::Zip);
    }
    return 0;
}
