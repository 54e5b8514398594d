#include "cli/CliOptions.h"

#include <functional>
#include <map>

#include "cli/CliDirectories.h"
#include "settings/DirListRules.h"
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

}  // namespace

std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args, bool lzhReady,
                                           bool zipReady, std::string& error) {
    CliOptions o;
    WindowSettings& ws = o.settings;
    bool settingsLoaded = false;
    NamedDirectoriesBySide named;
    auto directoryArgument = [&](std::vector<std::string>& side, const std::string& dir) {
        if (auto resolved = ResolveDirectory(dir)) {
            side.push_back(*resolved);
        } else {
            error = NoSuchDirectory(dir);
        }
    };
    ws.LzhEnabled = lzhReady;
    ws.ZipEnabled = zipReady;
    ResetToDefaults(ws);

    auto bothSides = [&](auto set) {
        set(1);
        set(2);
    };
    auto archive = [&](bool lzh, int side) {
        if (lzh ? !ws.LzhEnabled : !ws.ZipEnabled) {
            error = std::string(lzh ? "LZH" : "ZIP") +
                    " archives cannot be read here / 圧縮ファイルを読めません";
            return;
        }
        if (lzh) {
            SetLzhChk(ws, side, true);
        } else {
            SetZipChk(ws, side, true);
        }
    };

    const std::map<std::string, std::function<void()>> flags = {
        {"-r", [&] { bothSides([&](int s) { SetSubDirChk(ws, s, true); }); }},
        {"--src-subdir", [&] { SetSubDirChk(ws, 1, true); }},
        {"--dst-subdir", [&] { SetSubDirChk(ws, 2, true); }},
        {"--lzh", [&] { bothSides([&](int s) { archive(true, s); }); }},
        {"--zip", [&] { bothSides([&](int s) { archive(false, s); }); }},
        {"--src-lzh", [&] { archive(true, 1); }},
        {"--src-zip", [&] { archive(false, 1); }},
        {"--dst-lzh", [&] { archive(true, 2); }},
        {"--dst-zip", [&] { archive(false, 2); }},
        {"--arc-exe", [&] { SetArcExeChk(ws, true); }},
        {"--arc-by-entry", [&] { SetArcAllChk(ws, true); }},
        {"--delete",
         [&] {
             ws.NoDelChk = false;
             ws.DelChk = false;
         }},
        {"--confirm",
         [&] {
             ws.NoDelChk = false;
             ws.DelChk = true;
         }},
        {"--list-only", [&] { ws.NoDelChk = true; }},
        {"--trash", [&] { ws.CheckTrash = true; }},
        {"--no-size-limit", [&] { ws.SizeBox1 = false; }},
        {"--hidden", [&] { SetCheckHidden(ws, true); }},
        {"--system", [&] { SetCheckSystem(ws, true); }},
        {"--same", [&] { SetCheckSame(ws, true); }},
        {"--delete-empty-dirs", [&] { ws.CheckDelDir = true; }},
        {"--quiet", [&] { o.quiet = true; }},
        {"-q", [&] { o.quiet = true; }},
        {"--progress", [&] { o.progress = true; }},
        {"--help", [&] { o.help = true; }},
        {"-h", [&] { o.help = true; }},
        {"--version", [&] { o.version = true; }},
    };
    const std::map<std::string, std::function<void(const std::string&)>> valued = {
        {"-s", [&](const std::string& v) { directoryArgument(o.sources, v); }},
        {"--source", [&](const std::string& v) { directoryArgument(o.sources, v); }},
        {"-t", [&](const std::string& v) { directoryArgument(o.targets, v); }},
        {"--target", [&](const std::string& v) { directoryArgument(o.targets, v); }},
        {"--mask", [&](const std::string& v) { bothSides([&](int s) { TypeMask(ws, s, v); }); }},
        {"--src-mask", [&](const std::string& v) { TypeMask(ws, 1, v); }},
        {"--dst-mask", [&](const std::string& v) { TypeMask(ws, 2, v); }},
        {"--ignore",
         [&](const std::string& v) { bothSides([&](int s) { TypeIgnoreMask(ws, s, v); }); }},
        {"--src-ignore", [&](const std::string& v) { TypeIgnoreMask(ws, 1, v); }},
        {"--dst-ignore", [&](const std::string& v) { TypeIgnoreMask(ws, 2, v); }},
        {"--size",
         [&](const std::string& v) {
             if (!ParseSizeRange(v, ws))
                 error =
                     "--size needs MIN:MAX, digits only, 0 to 999999999 / "
                     "--size は 0 から 999999999 までの数字で MIN:MAX の形です";
         }},
        {"--settings",
         [&](const std::string& v) {
             if (auto failure = LoadSettingsFile(ws, v)) {
                 error = *failure + ": " + v;
             } else if (auto refusal = named.TakeSettingsFile(v)) {
                 error = *refusal;
             }
             settingsLoaded = true;
         }},
        {"--set",
         [&](const std::string& v) {
             if (auto failure = named.TakeAssignment(v)) {
                 error = "--set " + v + ": " + *failure;
             } else if (auto refused = SetSettingFromText(ws, v)) {
                 error = "--set " + v + ": " + *refused;
             }
         }},
        {"--save-settings", [&](const std::string& v) { o.saveSettingsPath = v; }},
        {"--csv", [&](const std::string& v) { o.csvPath = v; }},
        {"--diff-csv", [&](const std::string& v) { o.diffCsvPath = v; }},
        {"--log", [&](const std::string& v) { o.logPath = v; }},
    };

    for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
        const std::string& a = args[i];
        if (auto f = flags.find(a); f != flags.end()) {
            f->second();
            continue;
        }
        if (auto v = valued.find(a); v != valued.end()) {
            if (i + 1 >= args.size()) {
                error = "option " + a + " needs a value / " + a + " には値が必要です";
                break;
            }
            v->second(args[++i]);
            continue;
        }
        error = "unknown option: " + a + " / 不明なオプションです: " + a;
    }
    if (!error.empty()) return std::nullopt;
    if (o.help || o.version) return o;
    // Without a settings file the window's reset directory would be the whole
    // file system; a command line must name what it compares.
    if (!settingsLoaded && (o.sources.empty() || (o.targets.empty() && !ws.CheckSame))) {
        error =
            "give at least one source (-s DIR) and one target (-t DIR), or --settings FILE / "
            "比較元 (-s) と比較先 (-t) か設定ﾌｧｲﾙを指定してください";
        return std::nullopt;
    }

    // Directories named here replace a side's list as it stands, and the
    // list holds them as the window's list would after a drop (sorted, one
    // that a searched parent covers left out), so that the settings saved
    // from this job give the window, and a later --settings, this very job.
    // They were resolved to whole paths as they came, so the log, the lists,
    // the settings saved and the trash all name what the kernel found.
    if (!o.sources.empty()) {
        ws.Side(1).DirListText = o.sources;
        NormalizeDirList(ws.Side(1).DirListText, ws.Side(1).SubDirChk);
        CopySameConditions(ws, 1);
    }
    // With the same conditions the window's target side always equals its
    // source side; a job with other targets could be neither saved nor
    // shown as what it is.
    if (ws.CheckSame && !o.targets.empty()) {
        error =
            "--same (CheckSame) takes the target directories from the source; give no -t / "
            "比較元と比較先を同じ条件にする時は比較先 (-t) を指定できません";
        return std::nullopt;
    }
    if (!o.targets.empty()) {
        ws.Side(2).DirListText = o.targets;
        NormalizeDirList(ws.Side(2).DirListText, ws.Side(2).SubDirChk);
    }
    // A side compares its directory list when it has one, else its tree
    // directory, as the window does after a load.
    for (int side : {1, 2}) ws.Side(side).DirListShown = !ws.Side(side).DirListText.empty();
    if (auto refusal = named.RefuseUnnamed(o)) {
        error = *refusal;
        return std::nullopt;
    }
    for (int side : {1, 2}) {
        const std::string& ignore = ws.Side(side).noFmask;
        if (ignore.find_first_not_of("; ") != std::string::npos &&
            MaskTakesEveryName(NormalizeMask(ignore))) {
            error = "ignore mask \"" + ignore +
                    "\" means every file / 除外ファイルに全てのファイルは指定できません"
                    " (hint: to compare only some files, give them with --mask)";
            return std::nullopt;
        }
    }
    return o;
}

std::optional<std::string> SaveSettings(const CliOptions& options) {
    // The trees the file names are the lists' first folders, so that the
    // window, whichever it shows, is at the folders of this job.
    return SaveSettingsFile(WithTreesAtListEntries(options.settings),
                            SettingsFileName(options.saveSettingsPath));
}

std::string UsageText() {
    return R"(使い方 / usage: nebu-cli -s DIR [-s DIR...] -t DIR [-t DIR...] [options]
       nebu-cli --settings FILE.neb [options]

比較先（削除対象）のファイルのうち、比較元に同じ内容のファイルがあるものを探します。
Finds the files of the target directories whose bytes also exist in the source
directories. Nothing is deleted unless --delete or --confirm is given.

Directories / ディレクトリ
  -s, --source DIR      比較元 / source directory (repeatable, in order)
  -t, --target DIR      比較先（削除対象）/ target directory, duplicates here may be deleted
                        Each DIR must exist; links and ".." are resolved as the system
                        resolves them. Every side needs a directory named here or in
                        the settings file, which must exist as written there.
  -r                    サブディレクトリも検索 / search sub-directories on both sides
  --src-subdir, --dst-subdir   one side only / 片側のみ
  --same                比較元と比較先を同じ条件にする / target side takes the source's settings
                        and directories (no -t with it)

Which files / 対象ファイル
  --mask M, --src-mask M, --dst-mask M       対象ファイル / file masks, e.g. "*.jpg;*.png"
  --ignore M, --src-ignore M, --dst-ignore M 除外ファイル / ignore masks
                        (a mask meaning every file, such as "*" or "*.*", is refused)
  --size MIN:MAX        ﾌｧｲﾙｻｲｽﾞの範囲 / size range in bytes, digits only, 0 to 999999999
                        (default 1:100000000)
  --no-size-limit       範囲を指定しない / any size from 0 to 999999999 bytes
  --hidden, --system    隠しﾌｧｲﾙ / hidden files (names beginning with "."); system (no effect on Linux)

Archives / 圧縮ファイル
  --lzh, --zip          LZH/ZIPの中も比較 / compare archive contents on both sides
  --src-lzh, --src-zip, --dst-lzh, --dst-zip   one side only / 片側のみ
  --arc-exe             自己解凍形式(.exe)も対象 / also self-extracting .exe archives
  --arc-by-entry        圧縮ファイル同士を内部のファイル単位に比較(削除不可)
                        / compare archives entry by entry (never deletes)

Deleting / 削除
  --delete              確認なしで比較先の重複を削除 / delete target duplicates without asking
  --confirm             削除時の確認をする / ask before each deletion (needs a terminal)
  --list-only           削除しない / never delete (the default)
  --trash               削除ﾌｧｲﾙはごみ箱に捨てる / delete into the trash
  --delete-empty-dirs   空になったﾃﾞｨﾚｸﾄﾘを削除 / remove emptied target sub-directories

Results / 結果
  --csv FILE            同じファイルリストを保存 / write the same-file list (CSV, Shift-JIS)
  --diff-csv FILE       違うファイルリストを保存 / write the different-file list (CSV)
  --log FILE            ログをファイルに追記 / append every log line to FILE (Shift-JIS)
  -q, --quiet           ログを表示しない / print no log lines
  --progress            進行状況を表示 / show progress on standard error even without a terminal

Settings / 設定ファイル
  --settings FILE       設定ﾌｧｲﾙを読む / load a settings file (.neb); later options override it
  --set KEY=VALUE       設定ﾌｧｲﾙのキーを設定 / set one key of the settings file by name
  --save-settings FILE  設定ﾌｧｲﾙに保存 / save the settings this job uses (".neb" added)

  -h, --help, --version

Exit codes / 終了コード: 0 finished, 1 stopped (Ctrl-C, SIGTERM, SIGHUP, a closed
output pipe or a cancelled question), 2 the command line or the settings cannot be
used, 3 a result file cannot be written, 4 finished, but a deletion failed, a folder
or file could not be read, an archive could not be extracted, an empty folder could
not be removed or the work folders could not be made (one line each on standard
error).
)";
}

}  // namespace nebu::cli
