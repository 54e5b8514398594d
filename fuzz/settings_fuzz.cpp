// Bytes of a settings file: read as an ini and loaded into the settings as a
// load does. What is written must read back the same, and settings saved and
// loaded again must be the settings that were saved.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/IniFile.h"
#include "settings/Reactions.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsFile.h"
#include "settings/WindowSettings.h"

namespace {

nebu::WindowSettings Loaded(const nebu::IniFile& ini) {
    nebu::WindowSettings settings;
    nebu::ResetToDefaults(settings);
    nebu::ReadSettingsKeys(settings, ini);
    nebu::FinishSettingsLoad(settings);
    return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nebu::IniFile ini;
    ini.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const nebu::WindowSettings settings = Loaded(ini);

    nebu::IniFile again;
    again.Parse(ini.Encode());
    for (const std::string& name : nebu::SettingsFileReadOrder()) {
        if (ini.Get(nebu::kSettingsSection, name) != again.Get(nebu::kSettingsSection, name))
            __builtin_trap();
    }

    // Saving writes these values; where each one reads back exactly, a load
    // must give the same values again.
    const auto values = nebu::SettingsFileValues(settings);
    nebu::IniFile saved;
    for (const auto& [name, value] : values) saved.Set(nebu::kSettingsSection, name, value);
    nebu::IniFile reread;
    reread.Parse(saved.Encode());
    for (const auto& [name, value] : values) {
        if (reread.Get(nebu::kSettingsSection, name) != value) return 0;
    }
    if (nebu::SettingsFileValues(Loaded(reread)) != values) __builtin_trap();
    return 0;
}
