#include "cli/CliOptionTable.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "settings/MaskText.h"
#include "settings/Reactions.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsFile.h"

namespace nebu::cli {

namespace {

constexpr std::int64_t kLargestSize = 999999999;

// Plain decimal digits, as the window's size fields take them: no sign,
// blank, exponent or unit, and no more than the fields can hold.
std::optional<std::int64_t> PlainSize(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > kLargestSize) return std::nullopt;
    }
    return value;
}

bool ParseSizeRange(const std::string& text, WindowSettings& ws) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) return false;
    const auto min = PlainSize(text.substr(0, colon));
    const auto max = PlainSize(text.substr(colon + 1));
    if (!min || !max) return false;
    ws.SizeBox1 = true;
    ws.SizeMin = std::to_string(*min);
    ws.SizeMax = std::to_string(*max);
    return true;
}

using Reading = OptionReading;
using Value = const std::string&;

WindowSettings& Settings(Reading& r) {
    return r.options.settings;
}

template <typename Set>
void OnBothSides(Set set) {
    set(1);
    set(2);
}

void Directory(Reading& r, std::vector<std::string>& side, Value dir) {
    if (auto resolved = ResolveDirectory(dir)) {
        side.push_back(*resolved);
    } else {
        r.error = NoSuchDirectory(dir);
    }
}

void Archive(Reading& r, bool lzh, int side) {
    WindowSettings& ws = Settings(r);
    if (lzh ? !ws.LzhEnabled : !ws.ZipEnabled) {
        r.error = std::string(lzh ? "LZH" : "ZIP") +
                  " archives cannot be read here / 圧縮ファイルを読めません";
        return;
    }
    if (lzh) {
        SetLzhChk(ws, side, true);
    } else {
        SetZipChk(ws, side, true);
    }
}

void Mask(Reading& r, int side, Value v) {
    r.typedMasks[side - 1] = v;
    TypeMask(Settings(r), side, v);
}

void IgnoreMask(Reading& r, int side, Value v) {
    r.typedIgnores[side - 1] = v;
    TypeIgnoreMask(Settings(r), side, v);
}

// An archive option given before it has put its own mask in the fields.
void WithFiles(Reading& r, int side) {
    SetWithFilesChk(Settings(r), side, true);
    if (const auto& mask = r.typedMasks[side - 1]) TypeMask(Settings(r), side, *mask);
    if (const auto& ignore = r.typedIgnores[side - 1]) TypeIgnoreMask(Settings(r), side, *ignore);
}

// Every format the side can read; one whose library is missing is refused.
void AllArchives(Reading& r, int side) {
    WindowSettings& ws = Settings(r);
    if (!ws.ArcEnabled) {
        r.error = "7z/tar/RAR archives cannot be read here / 圧縮ファイルを読めません";
        return;
    }
    Archive(r, true, side);
    if (!r.error.empty()) return;
    Archive(r, false, side);
    if (!r.error.empty()) return;
    SetArcChk(ws, side, true);
}

// --list-only keeps whether deleting would ask, as the window's check box does.
void Deletion(Reading& r, bool deletes, bool asks) {
    Settings(r).NoDelChk = !deletes;
    if (deletes) Settings(r).DelChk = asks;
}

void SizeRange(Reading& r, Value v) {
    if (!ParseSizeRange(v, Settings(r)))
        r.error =
            "--size needs MIN:MAX, digits only, 0 to 999999999 / "
            "--size は 0 から 999999999 までの数字で MIN:MAX の形です";
}

void SettingsFileOption(Reading& r, Value v) {
    if (auto failure = LoadSettingsFile(Settings(r), v)) {
        r.error = *failure + ": " + v;
    } else if (auto refusal = r.named.TakeSettingsFile(v)) {
        r.error = *refusal;
    }
    r.settingsLoaded = true;
}

void SetOption(Reading& r, Value v) {
    if (auto failure = r.named.TakeAssignment(v)) {
        r.error = "--set " + v + ": " + *failure;
    } else if (auto refused = SetSettingFromText(Settings(r), v)) {
        r.error = "--set " + v + ": " + *refused;
    }
}

// Rows in the order of the usage text.
const CliOption kOptions[] = {
    {"-s", "--source", true, [](Reading& r, Value v) { Directory(r, r.options.sources, v); }},
    {"-t", "--target", true, [](Reading& r, Value v) { Directory(r, r.options.targets, v); }},
    {"-r", "", false,
     [](Reading& r, Value) { OnBothSides([&](int s) { SetSubDirChk(Settings(r), s, true); }); }},
    {"--src-subdir", "", false, [](Reading& r, Value) { SetSubDirChk(Settings(r), 1, true); }},
    {"--dst-subdir", "", false, [](Reading& r, Value) { SetSubDirChk(Settings(r), 2, true); }},
    {"--same", "", false, [](Reading& r, Value) { SetCheckSame(Settings(r), true); }},
    {"--mask", "", true, [](Reading& r, Value v) { OnBothSides([&](int s) { Mask(r, s, v); }); }},
    {"--src-mask", "", true, [](Reading& r, Value v) { Mask(r, 1, v); }},
    {"--dst-mask", "", true, [](Reading& r, Value v) { Mask(r, 2, v); }},
    {"--ignore", "", true,
     [](Reading& r, Value v) { OnBothSides([&](int s) { IgnoreMask(r, s, v); }); }},
    {"--src-ignore", "", true, [](Reading& r, Value v) { IgnoreMask(r, 1, v); }},
    {"--dst-ignore", "", true, [](Reading& r, Value v) { IgnoreMask(r, 2, v); }},
    {"--size", "", true, SizeRange},
    {"--no-size-limit", "", false, [](Reading& r, Value) { Settings(r).SizeBox1 = false; }},
    {"--hidden", "", false, [](Reading& r, Value) { SetCheckHidden(Settings(r), true); }},
    {"--system", "", false, [](Reading& r, Value) { SetCheckSystem(Settings(r), true); }},
    {"--lzh", "", false,
     [](Reading& r, Value) { OnBothSides([&](int s) { Archive(r, true, s); }); }},
    {"--zip", "", false,
     [](Reading& r, Value) { OnBothSides([&](int s) { Archive(r, false, s); }); }},
    {"--src-lzh", "", false, [](Reading& r, Value) { Archive(r, true, 1); }},
    {"--src-zip", "", false, [](Reading& r, Value) { Archive(r, false, 1); }},
    {"--dst-lzh", "", false, [](Reading& r, Value) { Archive(r, true, 2); }},
    {"--dst-zip", "", false, [](Reading& r, Value) { Archive(r, false, 2); }},
    {"--archives", "", false,
     [](Reading& r, Value) { OnBothSides([&](int s) { AllArchives(r, s); }); }},
    {"--src-archives", "", false, [](Reading& r, Value) { AllArchives(r, 1); }},
    {"--dst-archives", "", false, [](Reading& r, Value) { AllArchives(r, 2); }},
    {"--with-files", "", false,
     [](Reading& r, Value) { OnBothSides([&](int s) { WithFiles(r, s); }); }},
    {"--src-with-files", "", false, [](Reading& r, Value) { WithFiles(r, 1); }},
    {"--dst-with-files", "", false, [](Reading& r, Value) { WithFiles(r, 2); }},
    {"--arc-exe", "", false, [](Reading& r, Value) { SetArcExeChk(Settings(r), true); }},
    {"--arc-by-entry", "", false, [](Reading& r, Value) { SetArcAllChk(Settings(r), true); }},
    {"--delete", "", false, [](Reading& r, Value) { Deletion(r, true, false); }},
    {"--confirm", "", false, [](Reading& r, Value) { Deletion(r, true, true); }},
    {"--list-only", "", false, [](Reading& r, Value) { Deletion(r, false, false); }},
    {"--trash", "", false, [](Reading& r, Value) { Settings(r).CheckTrash = true; }},
    {"--delete-empty-dirs", "", false, [](Reading& r, Value) { Settings(r).CheckDelDir = true; }},
    {"--csv", "", true, [](Reading& r, Value v) { r.options.csvPath = v; }},
    {"--csv-utf8", "", true, [](Reading& r, Value v) { r.options.csvUtf8Path = v; }},
    {"--json", "", false, [](Reading& r, Value) { r.options.json = true; }},
    {"-0", "--print0", false, [](Reading& r, Value) { r.options.print0 = true; }},
    {"--folders", "", false, [](Reading& r, Value) { r.options.folders = true; }},
    {"--diff-csv", "", true, [](Reading& r, Value v) { r.options.diffCsvPath = v; }},
    {"--log", "", true, [](Reading& r, Value v) { r.options.logPath = v; }},
    {"-q", "--quiet", false, [](Reading& r, Value) { r.options.quiet = true; }},
    {"--progress", "", false, [](Reading& r, Value) { r.options.progress = true; }},
    {"--settings", "", true, SettingsFileOption},
    {"--set", "", true, SetOption},
    {"--save-settings", "", true, [](Reading& r, Value v) { r.options.saveSettingsPath = v; }},
    {"--list-runs", "", false,
     [](Reading& r, Value) { r.options.journal = CliOptions::JournalCommand::ListRuns; }},
    {"--restore-last", "", false,
     [](Reading& r, Value) { r.options.journal = CliOptions::JournalCommand::Restore; }},
    {"--restore", "", true,
     [](Reading& r, Value v) {
         r.options.journal = CliOptions::JournalCommand::Restore;
         r.options.restoreRun = v;
         if (v.empty()) r.error = "--restore needs a run id / --restore には処理の ID が必要です";
     }},
    {"-h", "--help", false, [](Reading& r, Value) { r.options.help = true; }},
    {"--version", "", false, [](Reading& r, Value) { r.options.version = true; }},
};

}  // namespace

std::span<const CliOption> CliOptionTable() {
    return kOptions;
}

const CliOption* FindCliOption(std::string_view name) {
    const auto* row = std::find_if(std::begin(kOptions), std::end(kOptions), [&](const auto& o) {
        return o.name == name || (!o.alias.empty() && o.alias == name);
    });
    return row == std::end(kOptions) ? nullptr : row;
}

}  // namespace nebu::cli
