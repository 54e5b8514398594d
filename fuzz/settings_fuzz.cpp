// Bytes of a settings file: read as an ini, its keys put into the settings as
// a load does, and written back. What is written must read back the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "mainwin/IniFile.h"
#include "mainwin/SettingKeys.h"
#include "mainwin/SettingsFile.h"
#include "mainwin/WindowSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    nebu::IniFile ini;
    ini.Parse(bytes);

    nebu::WindowSettings settings;
    nebu::ResetToDefaults(settings);
    nebu::ReadSettingsKeys(settings, ini);
    nebu::FinishSettingsLoad(settings);

    nebu::IniFile again;
    again.Parse(ini.Encode());
    for (const std::string& name : nebu::SettingsFileReadOrder()) {
        if (ini.Get(nebu::kSettingsSection, name) != again.Get(nebu::kSettingsSection, name))
            __builtin_trap();
    }
    for (const auto& [name, value] : nebu::SettingsFileValues(settings))
        ini.Set(nebu::kSettingsSection, name, value);
    ini.Encode();
    return 0;
}
