#include "support/SettingsCases.h"

#include <algorithm>

#include "engine/Nebu.h"
#include "platform/Cp932.h"

namespace nebu::test {

namespace {

const std::vector<std::string> kFlagTexts = {"0", "1", "1", "0", "2", " 1 ", "x", ""};
const std::vector<std::string> kMasks = {"*.*", "*.txt", "*.jpg;*.ｊｐｇ", "写真*", "", "a?c;;*.c"};
const std::vector<std::string> kIgnoreMasks = {"", "*.tmp", "~*;*.bak", "表*"};
const std::vector<std::string> kSizes = {"0", "1", "10", "100000000", "999999999", "5x", " 7", ""};
const std::vector<std::string> kFlagKeys = {
    "SubDirChk1",  "SubDirChk2",  "LzhChk1",  "LzhChk2",     "ZipChk1",    "ZipChk2",
    "ArcExeChk",   "ArcAllChk",   "NoDelChk", "DelChk",      "CheckSame",  "CheckLog",
    "CheckHidden", "CheckSystem", "SizeBox1", "CheckDelDir", "CheckTrash", "DiffListChk"};

// Every entry quoted, inner quotes doubled: a form the reader takes for
// any entry, blanks and commas included.
std::string ListText(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) {
        if (!text.empty()) text += ",";
        text += '"';
        for (char c : entry) text += c == '"' ? std::string("\"\"") : std::string(1, c);
        text += '"';
    }
    return text;
}

std::string Line(const std::vector<std::string>& dirs) {
    std::string text;
    for (const std::string& dir : dirs) text += (text.empty() ? "" : "|") + dir;
    return text;
}

}  // namespace

SettingsCaseMaker::SettingsCaseMaker(const TempTree& tree, std::uint32_t seed) : random_(seed) {
    for (const char* name :
         {"写真", "写真/夏", "表 B", "a,b", "say \"hi\"", "plain", "データ/深い"})
        folders_.push_back(tree.MakeDir(name));
}

const std::string& SettingsCaseMaker::Pick(const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random_)];
}

bool SettingsCaseMaker::Chance(int percent) {
    return std::uniform_int_distribution<int>(0, 99)(random_) < percent;
}

std::string SettingsCaseMaker::Write(const std::string& path) {
    std::vector<std::string> lines;
    for (const std::string& key : kFlagKeys) {
        if (Chance(75)) lines.push_back(key + "=" + Pick(kFlagTexts));
    }
    for (const char* side : {"1", "2"}) {
        if (Chance(80)) lines.push_back(std::string("Fmask") + side + "=" + Pick(kMasks));
        if (Chance(60)) lines.push_back(std::string("noFmask") + side + "=" + Pick(kIgnoreMasks));
        // The trees are always named: a side without them would search the
        // whole file system, which the command line refuses.
        lines.push_back(std::string("DirectoryListBox") + side + "=" +
                        (Chance(5) ? std::string("/") : Pick(folders_)));
        if (Chance(85)) {
            std::vector<std::string> entries;
            const int count = std::uniform_int_distribution<int>(0, 3)(random_);
            for (int i = 0; i < count; ++i) entries.push_back(Pick(folders_));
            lines.push_back(std::string("DirListText") + side + "=" + ListText(entries));
        }
    }
    if (Chance(70)) lines.push_back("SizeMin=" + Pick(kSizes));
    if (Chance(70)) lines.push_back("SizeMax=" + Pick(kSizes));
    std::shuffle(lines.begin(), lines.end(), random_);

    std::string text = Chance(20) ? "; written by hand\r\n[nebu]\r\n" : "[NEBU]\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    const int encoding = std::uniform_int_distribution<int>(0, 2)(random_);
    if (encoding == 0) {
        WriteFile(path, platform::Utf8ToCp932(text).value());
    } else {
        WriteFile(path, (encoding == 1 ? "" : "\xEF\xBB\xBF") + text);
    }
    return text;
}

std::string JobText(const TNebu& job) {
    std::string text;
    auto add = [&](const char* name, const std::string& value) {
        text += std::string(name) + "=" + value + "\n";
    };
    add("SrcDirs", Line(job.SrcDirs.InAddedOrder()));
    add("DstDirs", Line(job.DstDirs.InAddedOrder()));
    add("SrcMask", job.SrcMask);
    add("DstMask", job.DstMask);
    add("SrcIgnore", job.SrcIgnore);
    add("DstIgnore", job.DstIgnore);
    add("SizeRange", std::to_string(job.SizeMin) + ":" + std::to_string(job.SizeMax));
    add("SearchAttr", std::to_string(job.SearchAttr));
    for (auto [name, flag] : {std::pair{"SrcSubDir", job.SrcSubDir},
                              {"DstSubDir", job.DstSubDir},
                              {"SrcLzh", job.SrcLzh},
                              {"DstLzh", job.DstLzh},
                              {"SrcZip", job.SrcZip},
                              {"DstZip", job.DstZip},
                              {"NoDelete", job.NoDelete},
                              {"DelConfirm", job.DelConfirm},
                              {"DelEmptyDirs", job.DelEmptyDirs},
                              {"ToRecycleBin", job.ToRecycleBin},
                              {"ArcByEntry", job.ArcByEntry}}) {
        add(name, std::to_string(flag));
    }
    return text;
}

}  // namespace nebu::test
