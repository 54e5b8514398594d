#include "cli/CliOptions.h"

#include <sys/stat.h>
#include <unistd.h>

#include "cli/CliDirectories.h"
#include "cli/CliOptionTable.h"
#include "report/CsvFormat.h"
#include "settings/DirListRules.h"
#include "settings/MaskText.h"
#include "settings/Reactions.h"
#include "settings/SettingsFile.h"

namespace nebu::cli {

namespace {

// Reads the options in order into `r`; false at the first refusal.
bool ReadOptions(const std::vector<std::string>& args, OptionReading& r) {
    for (std::size_t i = 0; i < args.size() && r.error.empty(); ++i) {
        const std::string& a = args[i];
        const CliOption* option = FindCliOption(a);
        if (option == nullptr) {
            r.error = "unknown option: " + a + " / 不明なオプションです: " + a;
        } else if (!option->takesValue) {
            option->apply(r, {});
        } else if (i + 1 < args.size()) {
            option->apply(r, args[++i]);
        } else {
            r.error = "option " + a + " needs a value / " + a + " には値が必要です";
        }
    }
    return r.error.empty();
}

// Without a settings file the window's reset directory would be the whole
// file system; a command line must name what it compares.
std::optional<std::string> RefuseMissingDirectories(const OptionReading& r) {
    const CliOptions& o = r.options;
    if (r.settingsLoaded || (!o.sources.empty() && (!o.targets.empty() || o.settings.CheckSame)))
        return std::nullopt;
    return "give at least one source (-s DIR) and one target (-t DIR), or --settings FILE / "
           "比較元 (-s) と比較先 (-t) か設定ﾌｧｲﾙを指定してください";
}

// Directories named here replace a side's list as it stands, and the list
// holds them as the window's list would after a drop (sorted, one that a
// searched parent covers left out), so that the settings saved from this job
// give the window, and a later --settings, this very job. They were resolved
// to whole paths as they came, so the log, the lists, the settings saved and
// the trash all name what the kernel found.
std::optional<std::string> PlaceDirectories(CliOptions& o) {
    WindowSettings& ws = o.settings;
    if (!o.sources.empty()) {
        ws.Side(1).DirListText = o.sources;
        NormalizeDirList(ws.Side(1).DirListText, ws.Side(1).SubDirChk);
        CopySameConditions(ws, 1);
    }
    // With the same conditions the window's target side always equals its
    // source side; a job with other targets could be neither saved nor
    // shown as what it is.
    if (ws.CheckSame && !o.targets.empty()) {
        return "--same (CheckSame) takes the target directories from the source; give no -t / "
               "比較元と比較先を同じ条件にする時は比較先 (-t) を指定できません";
    }
    if (!o.targets.empty()) {
        ws.Side(2).DirListText = o.targets;
        NormalizeDirList(ws.Side(2).DirListText, ws.Side(2).SubDirChk);
    }
    // A side compares its directory list when it has one, else its tree
    // directory, as the window does after a load.
    for (int side : {1, 2}) ws.Side(side).DirListShown = !ws.Side(side).DirListText.empty();
    return std::nullopt;
}

std::optional<std::string> RefuseIgnoringEverything(const WindowSettings& ws) {
    for (int side : {1, 2}) {
        const std::string& ignore = ws.Side(side).noFmask;
        if (ignore.find_first_not_of("; ") != std::string::npos &&
            MaskTakesEveryName(NormalizeMask(ignore))) {
            return "ignore mask \"" + ignore +
                   "\" means every file / 除外ファイルに全てのファイルは指定できません"
                   " (hint: to compare only some files, give them with --mask)";
        }
    }
    return std::nullopt;
}

// Standard output carries one thing at a time: JSON lines, a NUL-separated
// list, or the log with whatever follows it.
std::optional<std::string> RefuseMixedOutputs(const CliOptions& o) {
    if (o.json && o.print0) {
        return "--json and --print0 both write to standard output; give one / "
               "--json と --print0 は同時に指定できません";
    }
    if (o.print0 && o.folders) {
        return "--folders cannot share standard output with --print0 (use --json --folders) / "
               "--print0 と --folders は同時に指定できません";
    }
    if (o.json || o.print0) {
        for (const std::string* path : {&o.csvPath, &o.csvUtf8Path, &o.diffCsvPath, &o.logPath}) {
            if (!path->empty() && NamesStandardOutput(*path)) {
                return std::string(o.json ? "--json" : "--print0") +
                       " writes to standard output; give a file, not " + *path +
                       " / 標準出力は --json か --print0 が使います: " + *path;
            }
        }
    }
    if (!o.csvPath.empty() && CsvFileName(o.csvPath) == CsvFileName(o.csvUtf8Path)) {
        return "--csv and --csv-utf8 name the same file: " + o.csvPath +
               " / --csv と --csv-utf8 に同じﾌｧｲﾙは指定できません";
    }
    return std::nullopt;
}

// Whether the options together make a job, and the job's directory lists.
std::optional<std::string> CheckAndBuildJob(OptionReading& r) {
    if (auto refusal = RefuseMixedOutputs(r.options)) return refusal;
    if (auto refusal = RefuseMissingDirectories(r)) return refusal;
    if (auto refusal = PlaceDirectories(r.options)) return refusal;
    if (auto refusal = r.named.RefuseUnnamed(r.options)) return refusal;
    return RefuseIgnoringEverything(r.options.settings);
}

}  // namespace

std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args, bool lzhReady,
                                           bool zipReady, std::string& error, bool arcReady) {
    CliOptions o;
    o.settings.LzhEnabled = lzhReady;
    o.settings.ZipEnabled = zipReady;
    o.settings.ArcEnabled = arcReady;
    ResetToDefaults(o.settings);
    OptionReading reading{o, error, {}, false};
    if (!ReadOptions(args, reading)) return std::nullopt;
    if (o.help || o.version || o.journal != CliOptions::JournalCommand::None) return o;
    if (auto refusal = CheckAndBuildJob(reading)) {
        error = *refusal;
        return std::nullopt;
    }
    return o;
}

std::optional<std::string> SaveSettings(const CliOptions& options) {
    // The trees the file names are the lists' first folders, so that the
    // window, whichever it shows, is at the folders of this job.
    return SaveSettingsFile(WithTreesAtListEntries(options.settings),
                            SettingsFileName(options.saveSettingsPath));
}

bool NamesStandardOutput(const std::string& path) {
    for (const char* name : {"-", "/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
        if (path == name) return true;
    }
    struct stat named;
    struct stat out;
    // A device such as /dev/null may take any number of writers.
    return ::stat(path.c_str(), &named) == 0 && ::fstat(STDOUT_FILENO, &out) == 0 &&
           (S_ISREG(out.st_mode) || S_ISFIFO(out.st_mode)) && named.st_dev == out.st_dev &&
           named.st_ino == out.st_ino;
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
  --archives            読める全形式の中も比較 / every format on both sides: LZH, ZIP,
                        7z, tar (.tar .tar.gz .tgz .tar.bz2 .tbz2 .tar.xz .txz .tar.zst)
                        and RAR 4/5 (read only)
  --src-archives, --dst-archives   one side only / 片側のみ
  --with-files, --src-with-files, --dst-with-files
                        通常ﾌｧｲﾙも比較 / the masks keep selecting plain files, and the
                        archive options add the archives' contents (both / one side)
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
  --csv-utf8 FILE       同じファイルリストを UTF-8 で保存 / the same list in UTF-8, with a
                        byte-order mark and a header row
  --json                結果を JSON Lines で標準出力へ / one JSON object per pair, per folder
                        (--folders) and a summary on standard output; log lines go
                        to standard error
  -0, --print0          比較先のﾌｧｲﾙ名を NUL 区切りで / the targets left in place,
                        NUL-separated, for xargs -0 (an archive once); log lines go
                        to standard error
  --folders             ﾌｫﾙﾀﾞ別の集計 / per target folder after the job: found/searched
                        files and bytes, and whether all were found
  --diff-csv FILE       違うファイルリストを保存 / write the different-file list (CSV)
  --log FILE            ログをファイルに追記 / append every log line to FILE (Shift-JIS)
  -q, --quiet           ログを表示しない / print no log lines
  --progress            進行状況を表示 / show progress on standard error even without a terminal

Settings / 設定ファイル
  --settings FILE       設定ﾌｧｲﾙを読む / load a settings file (.neb); later options override it
  --set KEY=VALUE       設定ﾌｧｲﾙのキーを設定 / set one key of the settings file by name
  --save-settings FILE  設定ﾌｧｲﾙに保存 / save the settings this job uses (".neb" added)

Deletion journal / 削除の記録 ($XDG_STATE_HOME/nebu/deletions.jsonl)
  --list-runs           記録された処理の一覧 / list the runs that deleted files:
                        run id, time (UTC), deleted, restorable
  --restore-last        前回の処理でごみ箱に移したファイルを元に戻す / put every file the
                        last run moved to the trash back where it was
  --restore RUN         the same for the run RUN (an id from --list-runs)

  -h, --help, --version

Exit codes / 終了コード: 0 finished, 1 stopped (Ctrl-C, SIGTERM, SIGHUP, a closed
output pipe or a cancelled question), 2 the command line or the settings cannot be
used, 3 a result file cannot be written, 4 finished, but a deletion failed, a folder
or file could not be read, an archive could not be extracted, an empty folder could
not be removed, the work folders could not be made, or a file could not be put back
from the trash (one line each on standard error).
)";
}

}  // namespace nebu::cli
