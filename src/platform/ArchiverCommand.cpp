#include "platform/ArchiverCommand.h"

namespace nebu::platform {

namespace {

// A quoted path from just after its opening quote: up to the quote that is
// not doubled. Returns the index just past the closing quote.
std::optional<std::size_t> TakeQuoted(std::string_view rest, std::string& path) {
    for (std::size_t i = 1; i < rest.size(); ++i) {
        if (rest[i] != '"') {
            path += rest[i];
        } else if (i + 1 < rest.size() && rest[i + 1] == '"') {
            path += '"';
            ++i;
        } else {
            return i + 1;
        }
    }
    return std::nullopt;
}

// Takes one path off the front of `rest`: quoted ("a b/c") up to its
// closing quote, or bare up to the next blank. The path must be followed by
// a blank, which is consumed.
std::optional<std::string> TakeArchivePath(std::string_view& rest) {
    std::size_t end;
    std::string path;
    if (!rest.empty() && rest[0] == '"') {
        auto closed = TakeQuoted(rest, path);
        if (!closed) return std::nullopt;
        end = *closed;
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
        auto closed = TakeQuoted(rest, folder);
        if (!closed) return std::nullopt;
        end = *closed;
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

std::string QuoteCommandPath(std::string_view path) {
    if (!path.empty() && path.find_first_of(" \t\"") == std::string_view::npos) {
        return std::string(path);
    }
    std::string quoted = "\"";
    for (char c : path) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    quoted += '"';
    return quoted;
}

std::string_view ExtractOptions(ArchiveFormat format) {
    switch (format) {
        case ArchiveFormat::Lzh:
            return "e -m -n -gm -p ";
        case ArchiveFormat::Zip:
            return "-x -j --i ";
        case ArchiveFormat::Arc:
            break;
    }
    return "e -j ";
}

std::optional<ExtractCommand> ParseExtractCommand(std::string_view line, ArchiveFormat format) {
    const std::string_view options = ExtractOptions(format);
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
