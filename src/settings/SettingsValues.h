#pragma once
// Where named settings values are kept: the section of a settings file or the
// state kept between runs. Both are read and written through these, so one
// key table and one read order serve both.

#include <optional>
#include <string>

#include "settings/SettingKeys.h"

namespace nebu {

class IniFile;

class SettingsSource {
  public:
    virtual ~SettingsSource() = default;
    // The stored text of the key; nothing when it is absent or holds no text.
    virtual std::optional<std::string> Get(const std::string& key) const = 0;
};

class SettingsTarget : public SettingsSource {
  public:
    // Stores the value as `kind` says (numbers may be kept as numbers).
    virtual void Set(const std::string& key, const std::string& value, SettingKey::Kind kind) = 0;
};

// The section "NEBU" of an ini file, read.
class IniSectionSource : public SettingsSource {
  public:
    explicit IniSectionSource(const IniFile& ini) : ini_(ini) {}
    std::optional<std::string> Get(const std::string& key) const override;

  private:
    const IniFile& ini_;
};

}  // namespace nebu
