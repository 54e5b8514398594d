#include "cli/CliOptions.h"

#include <functional>
#include <map>

namespace nebu::cli {

std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args,
                                           std::string& error) {
    CliOptions o;
    const std::map<std::string, std::function<void()>> flags = {
        {"-r", [&] { o.srcSubDir = o.dstSubDir = true; }},
        {"--src-subdir", [&] { o.srcSubDir = true; }},
        {"--dst-subdir", [&] { o.dstSubDir = true; }},
        {"--lzh", [&] { o.srcLzh = o.dstLzh = true; }},
        {"--zip", [&] { o.srcZip = o.dstZip = true; }},
        {"--src-lzh", [&] { o.srcLzh = true; }},
        {"--src-zip", [&] { o.srcZip = true; }},
        {"--dst-lzh", [&] { o.dstLzh = true; }},
        {"--dst-zip", [&] { o.dstZip = true; }},
        {"--arc-exe", [&] { o.arcExe = true; }},
        {"--arc-by-entry", [&] { o.arcByEntry = true; }},
        {"--delete", [&] { o.deleteDuplicates = true; }},
        {"--confirm", [&] { o.confirm = true; }},
        {"--trash", [&] { o.trash = true; }},
        {"--no-size-limit", [&] { o.noSizeLimit = true; }},
        {"--help", [&] { o.help = true; }},
        {"-h", [&] { o.help = true; }},
        {"--version", [&] { o.version = true; }},
    };
    const std::map<std::string, std::function<void(const std::string&)>> valued = {
        {"-s", [&](const std::string& v) { o.sources.push_back(v); }},
        {"--source", [&](const std::string& v) { o.sources.push_back(v); }},
        {"-t", [&](const std::string& v) { o.targets.push_back(v); }},
        {"--target", [&](const std::string& v) { o.targets.push_back(v); }},
        {"--csv", [&](const std::string& v) { o.csvPath = v; }},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (auto f = flags.find(a); f != flags.end()) {
            f->second();
            continue;
        }
        if (auto v = valued.find(a); v != valued.end()) {
            if (i + 1 >= args.size()) {
                error = "option " + a + " needs a value / " + a + " には値が必要です";
                return std::nullopt;
            }
            v->second(args[++i]);
            continue;
        }
        error = "unknown option: " + a + " / 不明なオプションです: " + a;
        return std::nullopt;
    }
    if (o.help || o.version) return o;
    if (o.sources.empty() || o.targets.empty()) {
        error = "give at least one source (-s DIR) and one target (-t DIR) / "
                "比較元 (-s) と比較先 (-t) を指定してください";
        return std::nullopt;
    }
    return o;
}

std::string UsageText() {
    return "使い方 / usage: nebu-cli -s DIR [-s DIR...] -t DIR [-t DIR...] [options]\n"
           "  -s, --source DIR   比較元ディレクトリ / source directory (repeatable)\n"
           "  -t, --target DIR   比較先（削除対象）ディレクトリ / target directory, duplicates here "
           "may be deleted (repeatable)\n"
           "  -r                 サブディレクトリも検索 / search sub-directories on both sides\n"
           "  --src-subdir, --dst-subdir  one side only / 片側のみ\n"
           "  --lzh, --zip       LZH/ZIPの中も比較 / compare archive contents on both sides\n"
           "  --src-lzh, --src-zip, --dst-lzh, --dst-zip  one side only / 片側のみ\n"
           "  --arc-exe          自己解凍形式(.exe)も対象 / also self-extracting .exe archives\n"
           "  --arc-by-entry     圧縮ファイル同士を内部のファイル単位に比較(削除不可) / compare "
           "archives entry by entry (never deletes)\n"
           "  --delete           比較先の重複を確認なしで削除 / delete target duplicates without "
           "asking\n"
           "  --confirm          削除時の確認をする / ask before each deletion (needs a terminal)\n"
           "  --trash            削除ﾌｧｲﾙはごみ箱に捨てる / delete into the trash\n"
           "  --no-size-limit    ﾌｧｲﾙｻｲｽﾞの範囲を指定しない (0..999999999) / no size range\n"
           "  --csv FILE         同じファイルリストをCSVに保存 / write the same-file list as CSV\n"
           "  --help, --version\n"
           "既定では削除しません（リストのみ）。/ By default nothing is deleted (list only).\n";
}

}  // namespace nebu::cli
