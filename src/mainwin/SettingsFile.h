#pragma once
// Settings files (".neb"): an ini file with the one section "NEBU".

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mainwin/WindowSettings.h"

namespace nebu {

class IniFile;

inline constexpr const char* kSettingsSection = "NEBU";
inline constexpr const char* kSettingsVersion = "Ver1.4";
inline constexpr const char* kNoSettingsFileMessage = "ﾌｧｲﾙがありません";

// The chosen path with ".neb" appended when it holds no "." anywhere.
std::string SettingsFileName(const std::string& chosen);

// Version, then every key in the order a file is written, as written.
std::vector<std::pair<std::string, std::string>> SettingsFileValues(const WindowSettings& settings);

// Writes Version and every key into the file, updating keys in place and
// keeping every other line. Returns the error, naming the file, or nothing.
// A value holding a line break cannot be stored: nothing is written then.
std::optional<std::string> SaveSettingsFile(const WindowSettings& settings,
                                            const std::string& path);

// Resets every control, takes the file's keys, then the rules that follow
// every load. A path that names no existing file gives kNoSettingsFileMessage
// and changes nothing; so does a file that cannot be read (with its error).
std::optional<std::string> LoadSettingsFile(WindowSettings& settings, const std::string& path);

// The steps of a load without the reset and the after-load rules: each key
// the file holds is put back in read order; keys it lacks keep their state.
void ReadSettingsKeys(WindowSettings& settings, const IniFile& ini);
// After every load: the search attribute, and archive check boxes whose
// library is missing are turned off on both sides.
void FinishSettingsLoad(WindowSettings& settings);

}  // namespace nebu
