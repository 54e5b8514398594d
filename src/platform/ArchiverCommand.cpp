#include "platform/ArchiverCommand.h"

namespace nebu::platform {

namespace {

// Takes one path off the front of `rest`: quoted ("a b/c") up to its
// closing quote, or bare up to the next blank. The path must be followed by
// a blank, which is consumed.
std::optional<std::string> TakeArchivePath(std::string_view& rest) {
    std::size_t end;
    std::string path;
    if (!rest.empty() && rest[0] == '"') {
        end = rest.find('"', 1);
        if (end == std::string_view::npos) return std::nullopt;
        path = rest.substr(1, end - 1);
        ++end;
    } else {
        end = rest.find(' ');
        if (end == std::string_view::npos) return std::nullopt;
        path = rest.substr(0, end);
    }
    if (path.empty() || end >= rest.size() || rest[end] != ' ') return std::nullopt;
    rest.remove_prefix(end + 1);
    return path;
}

// The folder ends in "/" and is followed by ` "`; a bare folder may hold
// blanks, so it runs to the first `/ "`.
std::optional<std::string> TakeFolder(std::string_view& rest) {
    std::string folder;
    std::size_t end;
    if (!rest.empty() && rest[0] == '"') {
        end = rest.find('"', 1);
        if (end == std::string_view::npos) return std::nullopt;
        folder = rest.substr(1, end - 1);
        ++end;
    } else {
        end = rest.find("/ \"");
        if (end == std::string_view::npos) return std::nullopt;
        ++end;
        folder = rest.substr(0, end);
    }
    if (folder.empty() || folder.back() != '/') return std::nullopt;
    if (end >= rest.size() || rest[end] != ' ') return std::nullopt;
    rest.remove_prefix(end + 1);
    return folder;
}

}  // namespace

std::optional<ExtractCommand> ParseExtractCommand(std::string_view line, ArchiveFormat format) {
    std::string_view options = format == ArchiveFormat::Lzh ? "e -m -n -gm -p " : "-x -j --i ";
    if (line.substr(0, options.size()) != options) return std::nullopt;
    std::string_view rest = line.substr(options.size());

    ExtractCommand command;
    auto archive = TakeArchivePath(rest);
    if (!archive) return std::nullopt;
    auto folder = TakeFolder(rest);
    if (!folder) return std::nullopt;
    // The entry name is everything between the first and the last quote:
    // names from Unix archives may hold quotes of their own.
    if (rest.size() < 3 || rest.front() != '"' || rest.back() != '"') return std::nullopt;
    command.archivePath = std::move(*archive);
    command.folder = std::move(*folder);
    command.entryName = rest.substr(1, rest.size() - 2);
    return command;
}

}  // namespace nebu::platform
