#include "cli/CliDirectories.h"

#include <sys/stat.h>

#include <cstdlib>
#include <set>
#include <utility>

#include "settings/DirListRules.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

namespace nebu::cli {

namespace {

using DirIdentity = std::pair<dev_t, ino_t>;

std::optional<DirIdentity> IdentityOf(const std::string& dir) {
    struct stat st;
    if (dir.empty() || ::stat(dir.c_str(), &st) != 0) return std::nullopt;
    return DirIdentity{st.st_dev, st.st_ino};
}

std::string Lower(std::string_view text) {
    std::string lower;
    for (char c : text) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower;
}

}  // namespace

std::optional<std::string> ResolveDirectory(const std::string& dir) {
    char* real = ::realpath(dir.c_str(), nullptr);
    if (real == nullptr) return std::nullopt;
    std::string resolved(real);
    std::free(real);
    if (!DirExists(resolved)) return std::nullopt;
    return resolved;
}

std::string NoSuchDirectory(const std::string& dir) {
    return "ディレクトリがありません / no such directory: " + dir;
}

std::optional<std::string> NamedDirectoriesBySide::TakeSettingsFile(const std::string& path) {
    IniFile ini;
    std::string error;
    if (!ini.Load(path, error)) return error;
    // Loading put stand-ins in their place; a job there is not what the file asks for.
    const std::vector<std::string> missing = MissingDirectories(ini);
    if (!missing.empty()) {
        std::string refusal = path + ": " + NoSuchDirectory(missing.front());
        for (std::size_t i = 1; i < missing.size(); ++i) refusal += ", " + missing[i];
        return refusal;
    }
    for (int side : {1, 2}) named_[side] = NamedDirectories(ini, side);
    return std::nullopt;
}

std::optional<std::string> NamedDirectoriesBySide::TakeAssignment(const std::string& assignment) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string::npos) return std::nullopt;
    const std::string key = Lower(assignment.substr(0, eq));
    const std::string value = assignment.substr(eq + 1);
    std::vector<std::string> dirs;
    if (key == "dirlisttext1" || key == "dirlisttext2") {
        dirs = DirListFromText(value);
    } else if (key == "directorylistbox1" || key == "directorylistbox2") {
        dirs.push_back(value);
    } else {
        return std::nullopt;
    }
    const int side = key.back() == '2' ? 2 : 1;
    for (const std::string& dir : dirs) {
        if (!DirExists(dir)) return NoSuchDirectory(dir);
        named_[side].push_back(dir);
    }
    return std::nullopt;
}

std::optional<std::string> NamedDirectoriesBySide::RefuseUnnamed(const CliOptions& o) const {
    const WindowSettings& ws = o.settings;
    // Compared by identity: the window's texts are normalised, the named ones are not.
    std::set<DirIdentity> named[3];
    for (int side : {1, 2}) {
        std::vector<std::string> dirs = named_[side];
        const auto& given = side == 1 ? o.sources : o.targets;
        dirs.insert(dirs.end(), given.begin(), given.end());
        for (const std::string& dir : dirs) {
            if (auto id = IdentityOf(dir)) named[side].insert(*id);
        }
    }
    // With the same conditions both sides are one: what a file names for
    // either side may end up on both, as the window's copies put it there.
    if (ws.CheckSame) {
        named[2].insert(named[1].begin(), named[1].end());
        named[1].insert(named[2].begin(), named[2].end());
    }
    for (int side : {1, 2}) {
        const SideSettings& s = ws.Side(side);
        const std::vector<std::string> used =
            !s.DirListText.empty() ? s.DirListText : std::vector<std::string>{s.DirectoryListBox};
        for (const std::string& dir : used) {
            const auto id = IdentityOf(dir);
            if (id && named[side].count(*id) != 0) continue;
            return std::string(side == 1 ? "比較元" : "比較先") + "のﾃﾞｨﾚｸﾄﾘ「" + dir +
                   "」は指定されたものではありません / the " + (side == 1 ? "source" : "target") +
                   " directory " + dir + " was not named (give it with " +
                   (side == 1 ? "-s" : "-t") + " or in the settings file)";
        }
    }
    return std::nullopt;
}

}  // namespace nebu::cli
