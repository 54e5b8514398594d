#pragma once
// Jobs whose sides expand real LZH and ZIP archives, run with the scripted
// host over a tree of their own. Every test ends with its temporary folder
// empty: no work folder and no extracted file may outlive a run, whether it
// finished or was stopped.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "JobTestSupport.h"
#include "engine/ArchiveCatalogue.h"
#include "engine/SameChkList.h"
#include "support/ArchiveFixtures.h"
#include "support/ScopedEnv.h"

namespace nebu::test {

// What the window hands the job for a side: the archive options and the
// mask the options imply, with nothing ignored.
struct SideKind {
    bool lzh = false;
    bool zip = false;
    bool sfx = false;
    bool arc = false;  // 7z, tar and RAR
};
inline constexpr SideKind kPlainSide{};
inline constexpr SideKind kArchiveSide{true, true, false};
inline constexpr SideKind kZipOnlySide{false, true, false};
inline constexpr SideKind kLzhOnlySide{true, false, false};
// Every format NEBU reads.
inline constexpr SideKind kEveryArchiveSide{true, true, false, true};

inline std::string MaskFor(SideKind kind) {
    std::string mask;
    if (kind.lzh) mask += "*.LZH;";
    if (kind.zip) mask += "*.ZIP;";
    if (kind.sfx) mask += "*.EXE;";
    if (kind.arc) {
        for (std::string_view ending : kArcNameEndings) {
            mask += "*";
            for (char c : ending) mask += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
            mask += ";";
        }
    }
    return mask.empty() ? "*;" : mask;
}

inline void SetSides(TNebu& job, SideKind source, SideKind target, bool byEntry = false) {
    job.SrcLzh = source.lzh ? 1 : 0;
    job.SrcZip = source.zip ? 1 : 0;
    job.DstLzh = target.lzh ? 1 : 0;
    job.DstZip = target.zip ? 1 : 0;
    job.SrcArc = source.arc ? 1 : 0;
    job.DstArc = target.arc ? 1 : 0;
    job.SrcMask = MaskFor(source);
    job.DstMask = MaskFor(target);
    job.SrcIgnore.clear();
    job.DstIgnore.clear();
    job.ArcByEntry = byEntry ? 1 : 0;
}

inline ArchiveItem Item(const std::string& name, const std::string& content) {
    return ArchiveItem(name, content);
}

inline ArchiveItem Folder(const std::string& name) {
    return ArchiveItem(name, {}, ArchiveItem::Directory);
}

// Text that every LZH method really compresses, so that jlha does not fall
// back to storing it; `seed` makes contents of one length differ.
inline std::string Compressible(std::size_t size, char seed) {
    std::string text;
    while (text.size() < size) {
        text += "重複ファイル";
        text += seed;
        text += std::to_string(text.size() % 97);
    }
    text.resize(size);
    return text;
}

// One way of writing an archive, for tests that must hold for all of them.
struct ArchiveMaker {
    const char* label;
    const char* ext;
    void (*make)(const std::string& path, const std::vector<ArchiveItem>& items);
    bool shiftJisNames;  // names stored as CP932 bytes rather than UTF-8
};

inline void ZipUtf8(const std::string& path, const std::vector<ArchiveItem>& items) {
    MakeZip(path, items, true);
}
inline void ZipCp932(const std::string& path, const std::vector<ArchiveItem>& items) {
    MakeZip(path, items, false);
}
// Info-ZIP's zip, run on a folder holding the items.
inline void ZipTool(const std::string& path, const std::vector<ArchiveItem>& items) {
    TempTree stage;
    std::vector<std::string> names;
    for (const auto& item : items) {
        if (item.type == ArchiveItem::Directory) {
            stage.MakeDir(item.name);
        } else {
            stage.Write(item.name, item.content);
        }
        names.push_back(item.name);
    }
    if (!MakeZipWithTool(path, stage.Path(), names)) throw std::runtime_error("zip failed");
}
// jlha with the method asked for; the archive must really use it.
template <int Method, LzhNames Names>
void Lzh(const std::string& path, const std::vector<ArchiveItem>& items) {
    MakeLzh(path, items, Method, Names);
    const std::string tag = "-lh" + std::to_string(Method) + "-";
    if (ReadFile(path).find(tag) == std::string::npos) {
        throw std::runtime_error("jlha did not use " + tag);
    }
}

template <ArcWriter Writer, bool ShiftJis = false>
void Arc(const std::string& path, const std::vector<ArchiveItem>& items) {
    MakeArc(path, items, Writer, ShiftJis);
}

inline const std::vector<ArchiveMaker>& AllArchiveMakers() {
    static const std::vector<ArchiveMaker> makers = {
        {"ZipLibarchiveUtf8", ".zip", &ZipUtf8, false},
        {"ZipLibarchiveShiftJis", ".zip", &ZipCp932, true},
        {"ZipInfoZip", ".zip", &ZipTool, false},
        {"Lzh5ShiftJis", ".lzh", &Lzh<5, LzhNames::Cp932>, true},
        {"Lzh6Utf8", ".lzh", &Lzh<6, LzhNames::Utf8>, false},
        {"Lzh7ShiftJis", ".lzh", &Lzh<7, LzhNames::Cp932>, true},
        {"SolidSevenZip", ".7z", &Arc<ArcWriter::SevenZip>, false},
        {"Tar", ".tar", &Arc<ArcWriter::Tar>, false},
        {"TarShiftJis", ".tar", &Arc<ArcWriter::Tar, true>, true},
        {"TarGz", ".tar.gz", &Arc<ArcWriter::TarGz>, false},
        {"Tgz", ".tgz", &Arc<ArcWriter::TarGz>, false},
        {"TarBz2", ".tar.bz2", &Arc<ArcWriter::TarBz2>, false},
        {"Tbz2", ".tbz2", &Arc<ArcWriter::TarBz2, true>, true},
        {"TarXz", ".tar.xz", &Arc<ArcWriter::TarXz>, false},
        {"Txz", ".txz", &Arc<ArcWriter::TarXz>, false},
        {"TarZst", ".tar.zst", &Arc<ArcWriter::TarZst>, false},
        {"Rar4", ".rar", &MakeRar4, false},
    };
    return makers;
}

inline std::string MakerName(const ::testing::TestParamInfo<ArchiveMaker>& info) {
    return info.param.label;
}

// Every path below `root` with what it holds: type, bytes or link target.
inline std::map<std::string, std::string> Snapshot(const std::string& root) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path& p = it->path();
        const std::string rel = fs::relative(p, root).string();
        if (it->is_symlink()) {
            out[rel] = "link:" + fs::read_symlink(p).string();
        } else if (it->is_directory()) {
            out[rel] = "dir";
        } else {
            out[rel] = "file:" + ReadFile(p.string());
        }
    }
    return out;
}

inline std::vector<std::string> NamesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        names.push_back(e.path().filename().string());
    }
    return names;
}

inline std::string FailedExtractionQuestion(const std::string& archive) {
    return "圧縮ファイル｢" + archive + "｣の解凍にしっぱいしちゃった。\n作業を続けますか?";
}

inline std::string DeletedLine(const std::string& path) {
    return "｢" + path + "｣を削除しました。";
}

inline std::string CompleteArchiveLine(const std::string& archive) {
    return "｢" + archive + "｣の中の全てファイルは比較元にあります。";
}

inline std::string DeleteQuestion(const std::string& path) {
    return "｢" + path + "｣を削除してよいですか？";
}

// The word the closing line begins with: "処理終了" or "処理中止".
inline std::string ClosingWord(const std::vector<std::string>& log) {
    if (log.size() < 2) return {};
    const std::string& line = log[log.size() - 2];
    const std::size_t at = line.find("（");
    return at == std::string::npos ? line : line.substr(0, at);
}

class ArchiveJobTest : public ::testing::Test {
  protected:
    void TearDown() override {
        EXPECT_TRUE(NamesIn(tmp_).empty())
            << "left in the temporary folder: " << ::testing::PrintToString(NamesIn(tmp_));
    }

    // Source folder `src`, target folder `dst`, searched with sub-folders,
    // nothing deleted until a test says so.
    RunResult Run(SideKind source, SideKind target, bool byEntry = false) {
        return RunOver({tree_ / "src"}, {tree_ / "dst"}, source, target, byEntry);
    }
    RunResult RunOver(const std::vector<std::string>& sources,
                      const std::vector<std::string>& targets, SideKind source, SideKind target,
                      bool byEntry = false) {
        const bool noDelete = job_.NoDelete;
        const bool confirm = job_.DelConfirm;
        SetUpJob(job_, sources, targets);
        job_.NoDelete = noDelete;
        job_.DelConfirm = confirm;
        SetSides(job_, source, target, byEntry);
        return RunJob(job_, host_);
    }
    void DeleteWithoutAsking() {
        job_.NoDelete = 0;
        job_.DelConfirm = 0;
    }
    void DeleteAfterAsking() {
        job_.NoDelete = 0;
        job_.DelConfirm = 1;
    }

    std::string S(const std::string& rel) const { return tree_ / ("src/" + rel); }
    std::string D(const std::string& rel) const { return tree_ / ("dst/" + rel); }

    TempTree tree_;
    std::string tmp_ = tree_.MakeDir("tmp");
    ScopedEnv tmpEnv_{"TMPDIR", tmp_};
    ScopedEnv dataEnv_{"XDG_DATA_HOME", tree_.MakeDir("xdg-data")};
    ScriptedHost host_;
    TNebu job_;
};

}  // namespace nebu::test
