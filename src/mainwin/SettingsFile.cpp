#include "mainwin/SettingsFile.h"

#include <sys/stat.h>

#include "mainwin/ControlChanges.h"
#include "mainwin/IniFile.h"
#include "mainwin/MaskRules.h"
#include "mainwin/SettingKeys.h"

namespace nebu {

std::string SettingsFileName(const std::string& chosen) {
    return chosen.find('.') == std::string::npos ? chosen + ".neb" : chosen;
}

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
    if (!ini.Save(path, error)) return error;
    return std::nullopt;
}

void ReadSettingsKeys(WindowSettings& settings, const IniFile& ini) {
    for (const std::string& name : SettingsFileReadOrder()) {
        const SettingKey* key = FindSettingKey(name);
        const auto stored = ini.Get(kSettingsSection, name);
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
    UpdateSearchAttr(settings);
    if (!settings.LzhEnabled) {
        SetLzhChk(settings, 1, false);
        SetLzhChk(settings, 2, false);
    }
    if (!settings.ZipEnabled) {
        SetZipChk(settings, 1, false);
        SetZipChk(settings, 2, false);
    }
}

std::optional<std::string> LoadSettingsFile(WindowSettings& settings, const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::string(kNoSettingsFileMessage);
    }
    IniFile ini;
    std::string error;
    if (!ini.Load(path, error)) return error;
    ResetToDefaults(settings);
    ReadSettingsKeys(settings, ini);
    FinishSettingsLoad(settings);
    return std::nullopt;
}

}  // namespace nebu
