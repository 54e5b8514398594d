#include "settings/SettingKeys.h"

#include <limits>

#include "platform/PathText.h"
#include "settings/DirListRules.h"
#include "settings/Reactions.h"

namespace nebu {

namespace {

using Kind = SettingKey::Kind;

SettingKey Flag(std::string name, bool WindowSettings::*field,
                void (*apply)(WindowSettings&, bool) = nullptr) {
    SettingKey key{std::move(name), Kind::Flag, nullptr, nullptr, nullptr, nullptr};
    key.text = [field](const WindowSettings& s) { return std::string(s.*field ? "1" : "0"); };
    if (apply != nullptr) {
        key.applyFlag = apply;
    } else {
        key.applyFlag = [field](WindowSettings& s, bool on) { s.*field = on; };
    }
    return key;
}

SettingKey SideFlag(std::string name, int side, bool SideSettings::*field,
                    void (*apply)(WindowSettings&, int, bool)) {
    SettingKey key{std::move(name), Kind::Flag, nullptr, nullptr, nullptr, nullptr};
    key.text = [side, field](const WindowSettings& s) {
        return std::string(s.Side(side).*field ? "1" : "0");
    };
    key.applyFlag = [side, apply](WindowSettings& s, bool on) { apply(s, side, on); };
    return key;
}

SettingKey Text(std::string name, std::function<std::string(const WindowSettings&)> text,
                std::function<void(WindowSettings&, const std::string&)> apply) {
    SettingKey key{std::move(name), Kind::Text, std::move(text), nullptr, nullptr, nullptr};
    key.applyText = std::move(apply);
    return key;
}

// `field` is a generic accessor into the results layout, usable const or not.
template <typename Field>
SettingKey Integer(std::string name, Field field) {
    SettingKey key{std::move(name), Kind::Integer, nullptr, nullptr, nullptr, nullptr};
    key.text = [field](const WindowSettings& s) { return std::to_string(field(s.Results)); };
    key.applyInteger = [field](WindowSettings& s, std::int32_t value) { field(s.Results) = value; };
    return key;
}

SettingKey SideText(std::string name, int side, std::string SideSettings::*field) {
    return Text(
        std::move(name), [side, field](const WindowSettings& s) { return s.Side(side).*field; },
        [side, field](WindowSettings& s, const std::string& v) { s.Side(side).*field = v; });
}

SettingKey DirListKey(int side) {
    // The entries are replaced; whether the list is shown stays as it is.
    return Text(
        "DirListText" + std::to_string(side),
        [side](const WindowSettings& s) { return DirListToText(s.Side(side).DirListText); },
        [side](WindowSettings& s, const std::string& v) {
            s.Side(side).DirListText = DirListFromText(v);
        });
}

SettingKey TreeKey(int side) {
    return Text(
        "DirectoryListBox" + std::to_string(side),
        [side](const WindowSettings& s) { return s.Side(side).DirectoryListBox; },
        [side](WindowSettings& s, const std::string& v) {
            SetTreeDirectory(s, side, DirExists(v) ? v : std::string(kRootDirectory));
        });
}

std::string DiffColumnKey(std::size_t column) {
    return "DiffColWidth" + std::to_string(column);
}

std::vector<SettingKey> BuildKeys() {
    std::vector<SettingKey> keys;
    for (int side = 1; side <= 2; ++side) {
        keys.push_back(SideFlag("SubDirChk" + std::to_string(side), side, &SideSettings::SubDirChk,
                                SetSubDirChk));
    }
    for (int side = 1; side <= 2; ++side) {
        keys.push_back(
            SideFlag("LzhChk" + std::to_string(side), side, &SideSettings::LzhChk, SetLzhChk));
    }
    for (int side = 1; side <= 2; ++side) {
        keys.push_back(
            SideFlag("ZipChk" + std::to_string(side), side, &SideSettings::ZipChk, SetZipChk));
    }
    for (int side = 1; side <= 2; ++side) {
        keys.push_back(
            SideFlag("ArcChk" + std::to_string(side), side, &SideSettings::ArcChk, SetArcChk));
    }
    for (int side = 1; side <= 2; ++side) {
        keys.push_back(SideFlag("WithFilesChk" + std::to_string(side), side,
                                &SideSettings::WithFilesChk, SetWithFilesChk));
    }
    keys.push_back(Flag("ArcExeChk", &WindowSettings::ArcExeChk, SetArcExeChk));
    keys.push_back(Flag("ArcAllChk", &WindowSettings::ArcAllChk, SetArcAllChk));
    keys.push_back(Flag("NoDelChk", &WindowSettings::NoDelChk));
    keys.push_back(Flag("DelChk", &WindowSettings::DelChk));
    keys.push_back(Flag("CheckSame", &WindowSettings::CheckSame, SetCheckSame));
    keys.push_back(Flag("CheckLog", &WindowSettings::CheckLog));
    keys.push_back(Flag("CheckHidden", &WindowSettings::CheckHidden, SetCheckHidden));
    keys.push_back(Flag("CheckSystem", &WindowSettings::CheckSystem, SetCheckSystem));
    keys.push_back(Flag("SizeBox1", &WindowSettings::SizeBox1));
    keys.push_back(TreeKey(1));
    keys.push_back(TreeKey(2));
    keys.push_back(SideText("Fmask1", 1, &SideSettings::Fmask));
    keys.push_back(SideText("Fmask2", 2, &SideSettings::Fmask));
    keys.push_back(SideText("noFmask1", 1, &SideSettings::noFmask));
    keys.push_back(SideText("noFmask2", 2, &SideSettings::noFmask));
    keys.push_back(Text(
        "SizeMin", [](const WindowSettings& s) { return s.SizeMin; },
        [](WindowSettings& s, const std::string& v) { s.SizeMin = v; }));
    keys.push_back(Text(
        "SizeMax", [](const WindowSettings& s) { return s.SizeMax; },
        [](WindowSettings& s, const std::string& v) { s.SizeMax = v; }));
    keys.push_back(DirListKey(1));
    keys.push_back(DirListKey(2));
    keys.push_back(Text(
        "ShoriFontName", [](const WindowSettings& s) { return s.Results.ShoriFontName; },
        [](WindowSettings& s, const std::string& v) { s.Results.ShoriFontName = v; }));
    keys.push_back(Integer(
        "ShoriFontSize", [](auto& r) -> auto& { return r.ShoriFontSize; }));
    keys.push_back(Integer(
        "ShoriWinHeight", [](auto& r) -> auto& { return r.ShoriWinHeight; }));
    keys.push_back(Integer(
        "ShoriWinWidth", [](auto& r) -> auto& { return r.ShoriWinWidth; }));
    for (std::size_t i = 0; i < 5; ++i) {
        keys.push_back(Integer(
            "ShoriColWidth" + std::to_string(i), [i](auto& r) -> auto& {
                return r.ShoriColWidth[i];
            }));
    }
    for (std::size_t i = 0; i < 6; ++i) {
        keys.push_back(Integer(
            DiffColumnKey(i), [i](auto& r) -> auto& { return r.DiffColWidth[i]; }));
    }
    keys.push_back(Flag("CheckDelDir", &WindowSettings::CheckDelDir));
    keys.push_back(Flag("CheckTrash", &WindowSettings::CheckTrash));
    keys.push_back(Flag("DiffListChk", &WindowSettings::DiffListChk));
    return keys;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && platform::CompareAsciiNoCase(a, b) == 0;
}

bool HoldsLineBreak(std::string_view value) {
    return value.find_first_of("\r\n") != std::string_view::npos;
}

bool IsSizeText(std::string_view value) {
    if (value.size() > 9) return false;
    for (char c : value) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

const std::vector<SettingKey>& StateKeys() {
    static const std::vector<SettingKey> keys = BuildKeys();
    return keys;
}

const std::vector<SettingKey>& SettingsFileKeys() {
    static const std::vector<SettingKey> keys = [] {
        std::vector<SettingKey> fileKeys;
        for (const SettingKey& key : StateKeys()) {
            if (!key.name.starts_with("DiffColWidth")) fileKeys.push_back(key);
        }
        return fileKeys;
    }();
    return keys;
}

const std::vector<std::string>& StateReadOrder() {
    static const std::vector<std::string> order = [] {
        std::vector<std::string> names = SettingsFileReadOrder();
        for (std::size_t i = 0; i < 6; ++i) names.push_back(DiffColumnKey(i));
        return names;
    }();
    return order;
}

const SettingKey* FindKeyIn(const std::vector<SettingKey>& keys, std::string_view name) {
    for (const SettingKey& key : keys) {
        if (SameName(key.name, name)) return &key;
    }
    return nullptr;
}

const std::vector<std::string>& SettingsFileReadOrder() {
    // One key a line: the order is what matters here.
    // clang-format off
    static const std::vector<std::string> order = {
        "LzhChk1",
        "LzhChk2",
        "ZipChk1",
        "ZipChk2",
        "ArcChk1",
        "ArcChk2",
        "WithFilesChk1",
        "WithFilesChk2",
        "ArcExeChk",
        "ArcAllChk",
        "NoDelChk",
        "DelChk",
        "CheckSame",
        "CheckLog",
        "CheckHidden",
        "CheckSystem",
        "SizeBox1",
        "CheckDelDir",
        "CheckTrash",
        "DiffListChk",
        "Fmask1",
        "Fmask2",
        "noFmask1",
        "noFmask2",
        "SizeMin",
        "SizeMax",
        "DirListText1",
        "DirListText2",
        "DirectoryListBox1",
        "DirectoryListBox2",
        "SubDirChk1",
        "SubDirChk2",
        "ShoriFontName",
        "ShoriFontSize",
        "ShoriWinHeight",
        "ShoriWinWidth",
        "ShoriColWidth0",
        "ShoriColWidth1",
        "ShoriColWidth2",
        "ShoriColWidth3",
        "ShoriColWidth4",
    };
    // clang-format on
    return order;
}

const SettingKey* FindSettingKey(std::string_view name) {
    return FindKeyIn(SettingsFileKeys(), name);
}

std::optional<std::int32_t> ParseStoredInteger(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::optional<std::string> SetSettingByName(WindowSettings& settings, std::string_view name,
                                            std::string_view value) {
    const SettingKey* key = FindSettingKey(name);
    if (key == nullptr) return "設定項目「" + std::string(name) + "」はありません";
    const std::string& keyName = key->name;
    if (HoldsLineBreak(value)) return "「" + keyName + "」の値に改行は使えません";

    if (key->kind != Kind::Text) {
        const auto number = ParseStoredInteger(value);
        if (!number) return "「" + keyName + "」には整数を指定してください";
        if (key->kind == Kind::Integer) {
            key->applyInteger(settings, *number);
            return std::nullopt;
        }
        const bool on = *number != 0;
        const bool isLzh = keyName.starts_with("LzhChk");
        const bool isZip = keyName.starts_with("ZipChk");
        const bool isArc = keyName.starts_with("ArcChk");
        if (on && ((isLzh && !settings.LzhEnabled) || (isZip && !settings.ZipEnabled) ||
                   (isArc && !settings.ArcEnabled))) {
            return "「" + keyName + "」は書庫ライブラリが使えないので指定できません";
        }
        key->applyFlag(settings, on);
        return std::nullopt;
    }

    const std::string text(value);
    const int side = keyName.back() == '2' ? 2 : 1;
    if (keyName.starts_with("Fmask")) {
        TypeMask(settings, side, text);
    } else if (keyName.starts_with("noFmask")) {
        TypeIgnoreMask(settings, side, text);
    } else if (keyName == "SizeMin" || keyName == "SizeMax") {
        if (!IsSizeText(text)) return "「" + keyName + "」には9桁までの数字を指定してください";
        key->applyText(settings, text);
    } else if (keyName.starts_with("DirListText")) {
        settings.Side(side).DirListText.clear();
        DropDirectories(settings, side, DirListFromText(text));
    } else if (keyName.starts_with("DirectoryListBox")) {
        if (!DirExists(text)) return "「" + text + "」はﾃﾞｨﾚｸﾄﾘではありません";
        SetTreeDirectory(settings, side, text);
    } else {
        key->applyText(settings, text);
    }
    return std::nullopt;
}

std::optional<std::string> SetSettingFromText(WindowSettings& settings,
                                              std::string_view assignment) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string_view::npos) {
        return "「" + std::string(assignment) + "」は KEY=VALUE の形ではありません";
    }
    return SetSettingByName(settings, assignment.substr(0, eq), assignment.substr(eq + 1));
}

}  // namespace nebu
