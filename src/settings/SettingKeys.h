#pragma once
// The named values a settings file holds: their names, kinds, how each is
// written as text and how a read value is put back into the settings.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/WindowSettings.h"

namespace nebu {

struct SettingKey {
    enum class Kind { Flag, Integer, Text };
    std::string name;
    Kind kind = Kind::Text;
    std::function<std::string(const WindowSettings&)> text;
    // Exactly one of these is set, matching `kind`. Each puts a read value
    // back the way loading does: check boxes run their reactions.
    std::function<void(WindowSettings&, bool)> applyFlag;
    std::function<void(WindowSettings&, std::int32_t)> applyInteger;
    std::function<void(WindowSettings&, const std::string&)> applyText;
};

// Every key a settings file holds, in the order a file is written.
const std::vector<SettingKey>& SettingsFileKeys();
// The names in the order a file is read.
const std::vector<std::string>& SettingsFileReadOrder();
// Case-insensitive look-up among SettingsFileKeys; nullptr when unknown.
const SettingKey* FindSettingKey(std::string_view name);

// The state kept between runs holds the file's keys plus the different-file
// list's column widths (DiffColWidth0 to 5): in write order after the
// same-file list's widths, in read order at the end.
const std::vector<SettingKey>& StateKeys();
const std::vector<std::string>& StateReadOrder();
// Case-insensitive look-up among `keys`; nullptr when unknown.
const SettingKey* FindKeyIn(const std::vector<SettingKey>& keys, std::string_view name);

// A flag or integer as stored: blanks around it, an optional sign and
// decimal digits that fit 32 bits; nothing for any other text.
std::optional<std::int32_t> ParseStoredInteger(std::string_view text);

// Sets one value by its key name the way a user would change it: check
// boxes run their reactions, typed masks and dropped directory lists copy
// their side when CheckSame is on, a tree directory must exist. Returns the
// reason when the value cannot be set (nothing changes then).
std::optional<std::string> SetSettingByName(WindowSettings& settings, std::string_view key,
                                            std::string_view value);
// "KEY=VALUE" for SetSettingByName.
std::optional<std::string> SetSettingFromText(WindowSettings& settings,
                                              std::string_view assignment);

}  // namespace nebu
