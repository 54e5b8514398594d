#pragma once
// Settings files (".neb"): an ini file with the one section "NEBU".

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/WindowSettings.h"

namespace nebu {

class IniFile;
class SettingsSource;
class SettingsTarget;
struct SettingKey;

inline constexpr const char* kSettingsSection = "NEBU";
inline constexpr const char* kSettingsVersion = "Ver1.4";
inline constexpr const char* kNoSettingsFileMessage = "ﾌｧｲﾙがありません";
// Larger files are refused as no settings file.
inline constexpr long long kMaxSettingsFileSize = 1024 * 1024;

// The chosen path with ".neb" appended when its file name holds no ".".
std::string SettingsFileName(const std::string& chosen);

// Version, then every key in the order a file is written, as written.
std::vector<std::pair<std::string, std::string>> SettingsFileValues(const WindowSettings& settings);

// The settings with each side's tree at the first entry of that side's list
// (when it has one), for a front end without trees: the file then names a
// real folder there, not the tree's reset root.
WindowSettings WithTreesAtListEntries(const WindowSettings& settings);

// Writes Version and every key into the file, updating keys in place and
// keeping every other line. Returns the error, naming the file, or nothing.
// A value the file cannot give back exactly (a line break, a path that is not
// valid UTF-8) is not stored: nothing is written then, and the error names it.
std::optional<std::string> SaveSettingsFile(const WindowSettings& settings,
                                            const std::string& path);

// Resets every control, takes the file's keys, then the rules that follow
// every load. A path that names no existing file gives kNoSettingsFileMessage
// and changes nothing; so does a file that cannot be read (with its error)
// or one larger than kMaxSettingsFileSize.
// With `missingDirs`, it receives the directories the file names that do not
// exist as written (the load still cuts them back or falls back to "/").
std::optional<std::string> LoadSettingsFile(WindowSettings& settings, const std::string& path,
                                            std::vector<std::string>* missingDirs = nullptr);

// The directories the file's keys name for `side` (1 or 2), as written: the
// entries of DirListText and the value of DirectoryListBox, when not empty.
std::vector<std::string> NamedDirectories(const IniFile& ini, int side);
std::vector<std::string> NamedDirectories(const SettingsSource& values, int side);
// Those of both sides that name no directory, in that order, without repeats.
std::vector<std::string> MissingDirectories(const IniFile& ini);
std::vector<std::string> MissingDirectories(const SettingsSource& values);
// The message that tells the user which named directories were not found
// and that others stand in for them now; it names the first
// kMissingDirectoriesShown and then says how many more there are, so that
// the box stays smaller than the screen.
inline constexpr std::size_t kMissingDirectoriesShown = 20;
std::string MissingDirectoriesMessage(const std::vector<std::string>& dirs);

// The steps of a load without the reset and the after-load rules: each key
// the file holds is put back in read order; keys it lacks keep their state.
void ReadSettingsKeys(WindowSettings& settings, const IniFile& ini);
// The same over any store, with its own keys and read order.
void ReadSettingsKeys(WindowSettings& settings, const SettingsSource& values,
                      const std::vector<SettingKey>& keys, const std::vector<std::string>& order);
// Every key of `keys` in their order, as text of their kind.
void WriteSettingsKeys(const WindowSettings& settings, SettingsTarget& values,
                       const std::vector<SettingKey>& keys);
// After every load: each side shows its directory list when the list has
// entries and its tree otherwise; the search attribute; archive check boxes
// whose library is missing are turned off on both sides.
void FinishSettingsLoad(WindowSettings& settings);

}  // namespace nebu
