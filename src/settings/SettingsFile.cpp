#include "settings/SettingsFile.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/Cp932.h"
#include "platform/PathText.h"
#include "settings/DirListRules.h"
#include "settings/IniFile.h"
#include "settings/Reactions.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsValues.h"

namespace nebu {

std::string SettingsFileName(const std::string& chosen) {
    return platform::WithExtensionIfNone(chosen, ".neb");
}

namespace {

// The value (for a directory list, the entry) that would read back as
// something else, as a path that is not valid UTF-8 or one with blanks at
// its ends does; nothing when every value comes back exactly.
std::optional<std::string> ValueNotKept(
    const IniFile& ini, const std::vector<std::pair<std::string, std::string>>& values) {
    IniFile reread;
    reread.Parse(ini.Encode());
    for (const auto& [name, value] : values) {
        if (reread.Get(kSettingsSection, name) == value) continue;
        if (name.starts_with("DirListText")) {
            for (const std::string& entry : DirListFromText(value)) {
                if (!platform::IsValidUtf8(entry)) return entry;
            }
        }
        return value;
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> SettingsFileValues(
    const WindowSettings& settings) {
    std::vector<std::pair<std::string, std::string>> values;
    values.emplace_back("Version", kSettingsVersion);
    for (const SettingKey& key : SettingsFileKeys())
        values.emplace_back(key.name, key.text(settings));
    return values;
}

std::optional<std::string> SaveSettingsFile(const WindowSettings& settings,
                                            const std::string& path) {
    const auto values = SettingsFileValues(settings);
    for (const auto& [name, value] : values) {
        // An ini line has no way to hold a line break; writing it would
        // damage the file rather than store the value.
        if (value.find_first_of("\r\n") != std::string::npos) {
            return "「" + name + "」の値に改行があるので「" + path + "」に保存できません";
        }
    }
    IniFile ini;
    std::string error;
    if (!ini.Load(path, error)) return error;
    for (const auto& [name, value] : values) ini.Set(kSettingsSection, name, value);
    if (auto lost = ValueNotKept(ini, values)) {
        return "「" + *lost + "」は設定ﾌｧｲﾙに正しく書けないので「" + path + "」に保存できません";
    }
    if (!ini.Save(path, error)) return error;
    return std::nullopt;
}

WindowSettings WithTreesAtListEntries(const WindowSettings& settings) {
    WindowSettings saved = settings;
    for (SideSettings& side : saved.Sides) {
        if (!side.DirListText.empty()) side.DirectoryListBox = side.DirListText.front();
    }
    return saved;
}

std::optional<std::string> IniSectionSource::Get(const std::string& key) const {
    return ini_.Get(kSettingsSection, key);
}

void ReadSettingsKeys(WindowSettings& settings, const IniFile& ini) {
    ReadSettingsKeys(settings, IniSectionSource(ini), SettingsFileKeys(), SettingsFileReadOrder());
}

void WriteSettingsKeys(const WindowSettings& settings, SettingsTarget& values,
                       const std::vector<SettingKey>& keys) {
    for (const SettingKey& key : keys) values.Set(key.name, key.text(settings), key.kind);
}

void ReadSettingsKeys(WindowSettings& settings, const SettingsSource& values,
                      const std::vector<SettingKey>& keys, const std::vector<std::string>& order) {
    for (const std::string& name : order) {
        const SettingKey* key = FindKeyIn(keys, name);
        const auto stored = values.Get(name);
        if (key == nullptr || !stored) continue;
        switch (key->kind) {
            case SettingKey::Kind::Flag:
                if (auto number = ParseStoredInteger(*stored))
                    key->applyFlag(settings, *number != 0);
                break;
            case SettingKey::Kind::Integer:
                if (auto number = ParseStoredInteger(*stored)) key->applyInteger(settings, *number);
                break;
            case SettingKey::Kind::Text:
                key->applyText(settings, *stored);
                break;
        }
    }
}

void FinishSettingsLoad(WindowSettings& settings) {
    // What a side searches follows from what was loaded, never from what
    // the window happened to show before.
    for (SideSettings& side : settings.Sides) side.DirListShown = !side.DirListText.empty();
    UpdateSearchAttr(settings);
    if (!settings.LzhEnabled) {
        SetLzhChk(settings, 1, false);
        SetLzhChk(settings, 2, false);
    }
    if (!settings.ZipEnabled) {
        SetZipChk(settings, 1, false);
        SetZipChk(settings, 2, false);
    }
    if (!settings.ArcEnabled) {
        SetArcChk(settings, 1, false);
        SetArcChk(settings, 2, false);
    }
}

std::vector<std::string> NamedDirectories(const IniFile& ini, int side) {
    return NamedDirectories(IniSectionSource(ini), side);
}

std::vector<std::string> MissingDirectories(const IniFile& ini) {
    return MissingDirectories(IniSectionSource(ini));
}

std::vector<std::string> NamedDirectories(const SettingsSource& values, int side) {
    const std::string suffix = std::to_string(side);
    std::vector<std::string> dirs;
    if (auto list = values.Get("DirListText" + suffix)) {
        for (std::string& entry : DirListFromText(*list)) {
            if (!entry.empty()) dirs.push_back(std::move(entry));
        }
    }
    if (auto tree = values.Get("DirectoryListBox" + suffix); tree && !tree->empty())
        dirs.push_back(*tree);
    return dirs;
}

std::vector<std::string> MissingDirectories(const SettingsSource& values) {
    std::vector<std::string> missing;
    for (int side : {1, 2}) {
        for (const std::string& dir : NamedDirectories(values, side)) {
            if (!DirExists(dir) && std::find(missing.begin(), missing.end(), dir) == missing.end())
                missing.push_back(dir);
        }
    }
    return missing;
}

std::string MissingDirectoriesMessage(const std::vector<std::string>& dirs) {
    std::string text =
        "次のﾃﾞｨﾚｸﾄﾘがありません。ほかのﾃﾞｨﾚｸﾄﾘに置き換えたので、開始する前に確かめてください";
    const std::size_t shown = std::min(dirs.size(), kMissingDirectoriesShown);
    for (std::size_t i = 0; i < shown; ++i) text += "\n「" + dirs[i] + "」";
    if (dirs.size() > shown) text += "\n他 " + std::to_string(dirs.size() - shown) + " 個";
    return text;
}

std::optional<std::string> LoadSettingsFile(WindowSettings& settings, const std::string& path,
                                            std::vector<std::string>* missingDirs) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::string(kNoSettingsFileMessage);
    }
    // Settings files are a few kilobytes; anything this large is some other
    // file, and reading it whole could exhaust the memory.
    if (st.st_size > kMaxSettingsFileSize) {
        return "「" + path + "」は設定ﾌｧｲﾙではありません";
    }
    IniFile ini;
    std::string error;
    if (!ini.Load(path, error)) return error;
    if (missingDirs != nullptr) *missingDirs = MissingDirectories(ini);
    ResetToDefaults(settings);
    ReadSettingsKeys(settings, ini);
    FinishSettingsLoad(settings);
    return std::nullopt;
}

}  // namespace nebu
