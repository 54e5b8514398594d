#include "settings/PathInput.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/PathText.h"

namespace nebu {

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsAbsolute(std::string_view path) {
    return !path.empty() && path.front() == platform::kPathSeparator;
}

std::string Absolute(std::string_view text, const std::string& base) {
    if (text == "~" || text.substr(0, 2) == "~/") {
        const char* home = std::getenv("HOME");
        if (home != nullptr && IsAbsolute(home))
            return std::string(home) + std::string(text.substr(1));
    }
    if (IsAbsolute(text)) return std::string(text);
    if (base.empty()) return {};
    return platform::WithTrailingSeparator(base) + std::string(text);
}

}  // namespace

TypedDir ResolveTypedDirectory(std::string_view typed, const std::string& base) {
    const std::string_view text = Trimmed(typed);
    if (text.empty()) return {TypedDirKind::Empty, {}};
    const std::string path = Absolute(text, base);
    if (path.empty()) return {TypedDirKind::Missing, path};
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return {errno == EACCES ? TypedDirKind::CannotEnter : TypedDirKind::Missing, path};
    if (!S_ISDIR(st.st_mode)) return {TypedDirKind::NotDirectory, path};
    // The tree opens a directory by entering it, which needs search permission.
    if (::access(path.c_str(), X_OK) != 0) return {TypedDirKind::CannotEnter, path};
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(path, error);
    if (error) return {TypedDirKind::CannotEnter, path};
    return {TypedDirKind::Directory, real.string()};
}

std::string TypedDirectoryMessage(const TypedDir& resolved, std::string_view typed) {
    const std::string name = "「" + std::string(Trimmed(typed)) + "」";
    switch (resolved.kind) {
        case TypedDirKind::Missing:
            return name + "というﾃﾞｨﾚｸﾄﾘはありません";
        case TypedDirKind::NotDirectory:
            return name + "はﾃﾞｨﾚｸﾄﾘではありません";
        case TypedDirKind::CannotEnter:
            return name + "を開けません";
        case TypedDirKind::Empty:
        case TypedDirKind::Directory:
            break;
    }
    return {};
}

std::vector<std::string> PastablePaths(const std::vector<std::string>& paths) {
    std::vector<std::string> kept;
    for (const std::string& path : paths) {
        struct stat st;
        if (IsAbsolute(path) && ::lstat(path.c_str(), &st) == 0) kept.push_back(path);
    }
    return kept;
}

}  // namespace nebu
