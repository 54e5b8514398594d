// A side that compares its plain files along with its archives' contents
// (通常ﾌｧｲﾙも比較) stands for two jobs a user would otherwise run one after
// the other: the plain files with the archive boxes off, and the archives as
// the archive boxes alone take them. On trees drawn from seeds, the one job
// must list exactly the pairs of those two and delete exactly what they do.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/Nebu.h"
#include "settings/JobSetup.h"
#include "settings/Reactions.h"
#include "support/ArchiveFixtures.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedHost.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::set<std::string>;

class Draw {
  public:
    explicit Draw(std::uint32_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 7) {}
    std::size_t Below(std::size_t n) {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::size_t>((state_ >> 33) % n);
    }
    bool Chance(unsigned percent) { return Below(100) < percent; }

  private:
    std::uint64_t state_;
};

// What each side takes part with; a side with with-files has archives.
struct SideConfig {
    bool lzh = false;
    bool zip = false;
    bool withFiles = false;
    std::string mask = "*.*";
    std::string ignore;
};
struct Config {
    SideConfig side[2];
    bool arcAll = false;
};

const char* const kSideDir[2] = {"比較元", "比較先"};

// Plain files and archives on both sides, contents from one small pool so
// that sizes and contents meet across sides, in and out of archives; some
// archives lie byte for byte on both sides.
void BuildTree(std::uint32_t seed, const std::string& root, bool lzhTool) {
    Draw d(seed);
    std::vector<std::string> pool;
    for (int i = 0; i < 9; ++i) {
        const std::size_t sizes[] = {5, 40, 300, 1200};
        pool.push_back(RandomBytes(sizes[d.Below(4)] + d.Below(2), seed * 100 + i));
    }
    const char* const names[] = {"写真", "資料", "メモ", "データ"};
    const char* const exts[] = {".txt", ".dat", ".bin"};
    std::vector<std::string> archives[2];
    for (int s = 0; s < 2; ++s) {
        const std::string dir = root + "/" + kSideDir[s];
        MakeDirs(dir + "/サブ");
        const std::size_t plain = 4 + d.Below(6);
        for (std::size_t i = 0; i < plain; ++i) {
            const std::string rel = std::string(d.Chance(30) ? "サブ/" : "") + names[d.Below(4)] +
                                    std::to_string(i) + exts[d.Below(3)];
            WriteFile(dir + "/" + rel, pool[d.Below(pool.size())]);
        }
        const std::size_t count = 2 + d.Below(3);
        for (std::size_t i = 0; i < count; ++i) {
            std::vector<ArchiveItem> items;
            const std::size_t entries = 1 + d.Below(3);
            for (std::size_t e = 0; e < entries; ++e) {
                items.emplace_back("中身" + std::to_string(e) + ".txt", pool[d.Below(pool.size())]);
            }
            const bool lzh = lzhTool && d.Chance(40);
            const std::string path = dir + "/書庫" + std::to_string(i) + (lzh ? ".lzh" : ".zip");
            if (lzh) {
                MakeLzh(path, items);
            } else {
                MakeZip(path, items);
            }
            archives[s].push_back(path);
        }
    }
    // Byte-equal copies across the sides, for the plain pass with a mask
    // that takes archives and for whole-archive pairs.
    for (int s = 0; s < 2; ++s) {
        for (std::size_t i = 0; i < archives[s].size(); ++i) {
            if (!d.Chance(35)) continue;
            const fs::path from(archives[s][i]);
            fs::copy_file(from, fs::path(root) / kSideDir[1 - s] /
                                    ("写し" + std::to_string(i) + from.extension().string()));
        }
    }
}

Config DrawConfig(std::uint32_t seed) {
    Draw d(seed ^ 0x5A5Au);
    Config c;
    const char* const masks[] = {"*.*", "*.*", "*.txt;*.zip", "*.dat;*.lzh", "*.bin"};
    for (SideConfig& s : c.side) {
        const std::size_t archives = d.Below(3);  // none, zip, both
        s.zip = archives >= 1;
        s.lzh = archives == 2;
        s.withFiles = (s.zip || s.lzh) && d.Chance(60);
        s.mask = masks[d.Below(5)];
        if (d.Chance(25)) s.ignore = "*.dat";
    }
    if (!c.side[0].withFiles && !c.side[1].withFiles) {
        SideConfig& s = c.side[d.Below(2)];
        s.zip = s.withFiles = true;
    }
    c.arcAll = d.Chance(30);
    return c;
}

enum class RunKind { WithFiles, PlainOnly, ArchivesOnly };

// The window's values for one run, set as a user would set the controls.
WindowSettings SettingsFor(const Config& c, RunKind run, const std::string& root, bool deletes) {
    WindowSettings ws;
    ws.SizeBox1 = false;
    ws.NoDelChk = !deletes;
    ws.DelChk = false;
    SetArcAllChk(ws, c.arcAll);
    for (int side = 1; side <= 2; ++side) {
        const SideConfig& s = c.side[side - 1];
        SetTreeDirectory(ws, side, root + "/" + kSideDir[side - 1]);
        SetSubDirChk(ws, side, true);
        // The plain run has the boxes of a with-files side off.
        const bool archives = !(s.withFiles && run == RunKind::PlainOnly);
        SetLzhChk(ws, side, s.lzh && archives);
        SetZipChk(ws, side, s.zip && archives);
        SetWithFilesChk(ws, side, s.withFiles && run == RunKind::WithFiles);
        // Mask fields can be typed in only while they are enabled.
        if (ws.Side(side).MaskFieldsEnabled) {
            TypeMask(ws, side, s.mask);
            TypeIgnoreMask(ws, side, s.ignore);
        }
    }
    return ws;
}

struct Outcome {
    Strings pairs;    // "source | target", relative to the tree
    Strings deleted;  // files gone after the run, relative
};

std::string Relative(const std::string& path, const std::string& root) {
    return path.compare(0, root.size(), root) == 0 ? path.substr(root.size()) : path;
}

Strings FilesOf(const std::string& root) {
    Strings files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) files.insert(Relative(e.path().string(), root));
    }
    return files;
}

Outcome RunOnCopy(const Config& c, RunKind run, const std::string& master, const std::string& root,
                  bool deletes) {
    fs::copy(master, root, fs::copy_options::recursive);
    const Strings before = FilesOf(root);
    TNebu job;
    EXPECT_EQ(ApplyToJob(SettingsFor(c, run, root, deletes), job), std::nullopt);
    ScriptedHost host;
    const RunResult r = RunJob(job, host);
    EXPECT_EQ(job.Phase, kPhaseFinished);
    EXPECT_TRUE(host.questions.empty()) << host.questions.front();
    Outcome o;
    for (const SamePairRec& p : r.pairs) {
        o.pairs.insert(Relative(p.folder1 + "/" + p.name1, root) + " | " +
                       Relative(p.folder2 + "/" + p.name2, root));
    }
    for (const std::string& line : r.log) {
        if (line.find("全てファイルは比較元にあります") != std::string::npos) {
            o.pairs.insert(Relative(line.substr(line.find(root)), root));
        }
    }
    const Strings after = FilesOf(root);
    for (const std::string& f : before) {
        if (after.count(f) == 0) o.deleted.insert(f);
    }
    return o;
}

Strings Union(const Strings& a, const Strings& b) {
    Strings u = a;
    u.insert(b.begin(), b.end());
    return u;
}

std::string Describe(const Config& c) {
    std::string text;
    for (int s = 0; s < 2; ++s) {
        const SideConfig& x = c.side[s];
        text += std::string(s == 0 ? "src" : " dst") + (x.lzh ? "+lzh" : "") +
                (x.zip ? "+zip" : "") + (x.withFiles ? "+files" : "") + " mask " + x.mask +
                " ignore " + x.ignore;
    }
    return text + (c.arcAll ? " by entry" : "");
}

TEST(WithFilesUnionTest, OneJobFindsAndDeletesWhatThePlainAndTheArchiveRunsDo) {
    TempTree tree;
    ScopedEnv tmp("TMPDIR", tree.MakeDir("tmp"));
    const bool lzhTool = HaveLzhTool();
    std::size_t pairsSeen = 0;
    std::size_t deletionsSeen = 0;
    for (std::uint32_t seed = 1; seed <= 16; ++seed) {
        const Config c = DrawConfig(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + Describe(c));
        const std::string base = tree / ("seed" + std::to_string(seed));
        const std::string master = base + "/master";
        MakeDirs(master);
        BuildTree(seed, master, lzhTool);
        int copy = 0;
        auto run = [&](RunKind kind, bool deletes) {
            return RunOnCopy(c, kind, master, base + "/run" + std::to_string(copy++), deletes);
        };
        for (const bool deletes : {false, true}) {
            const Outcome both = run(RunKind::WithFiles, deletes);
            const Outcome plain = run(RunKind::PlainOnly, deletes);
            const Outcome archives = run(RunKind::ArchivesOnly, deletes);
            if (!deletes) {
                EXPECT_EQ(both.pairs, Union(plain.pairs, archives.pairs));
                EXPECT_TRUE(both.deleted.empty());
                pairsSeen += both.pairs.size();
            } else {
                EXPECT_EQ(both.deleted, Union(plain.deleted, archives.deleted));
                deletionsSeen += both.deleted.size();
            }
        }
    }
    // The trees must give the comparison something to find.
    EXPECT_GT(pairsSeen, 40u);
    EXPECT_GT(deletionsSeen, 10u);
}

}  // namespace
}  // namespace nebu::test
