// A side that compares its plain files along with its archives' contents
// (通常ﾌｧｲﾙも比較) stands for two jobs a user would otherwise run one after
// the other: the plain files with the archive boxes off, and the archives as
// the archive boxes alone take them. On trees drawn from seeds, the one job
// must list exactly the pairs of those two and delete exactly what they do.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
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

struct Draw {
    std::uint64_t state;
    std::size_t Below(std::size_t n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::size_t>((state >> 33) % n);
    }
};

const char* const kSide[2] = {"比較元", "比較先"};

// Plain files and archives on both sides with contents from one small pool,
// so that they meet across sides, in and out of archives; some archives lie
// byte for byte on both sides.
void BuildTree(Draw& d, std::uint32_t seed, const std::string& root) {
    std::vector<std::string> pool;
    for (int i = 0; i < 9; ++i) pool.push_back(RandomBytes(5 + d.Below(2) * 300, seed * 100 + i));
    const char* const names[] = {"写真.txt", "資料.dat", "メモ.bin", "サブ/データ.txt"};
    std::vector<fs::path> archives[2];
    for (int s = 0; s < 2; ++s) {
        MakeDirs(root + "/" + kSide[s] + "/サブ");
        for (std::size_t i = 0, n = 4 + d.Below(6); i < n; ++i) {
            WriteFile(root + "/" + kSide[s] + "/" + std::to_string(i) + names[d.Below(4)],
                      pool[d.Below(9)]);
        }
        for (std::size_t i = 0, n = 2 + d.Below(3); i < n; ++i) {
            std::vector<ArchiveItem> items;
            for (std::size_t e = 0, m = 1 + d.Below(3); e < m; ++e)
                items.emplace_back("中身" + std::to_string(e), pool[d.Below(9)]);
            const bool lzh = HaveLzhTool() && d.Below(2) == 0;
            archives[s].push_back(root + "/" + kSide[s] + "/書庫" + std::to_string(i) +
                                  (lzh ? ".lzh" : ".zip"));
            lzh ? MakeLzh(archives[s].back(), items) : MakeZip(archives[s].back(), items);
        }
    }
    for (int s = 0; s < 2; ++s) {
        for (const fs::path& a : archives[s]) {
            if (d.Below(3) == 0)
                fs::copy_file(a, root + "/" + kSide[1 - s] + "/写し" + a.filename().string());
        }
    }
}

enum class RunKind { WithFiles, PlainOnly, ArchivesOnly };
struct SideConfig {
    bool lzh, zip, withFiles;
    std::string mask, ignore;
};

// The window's values for one run, set as a user sets the controls.
WindowSettings SettingsFor(const SideConfig (&c)[2], bool arcAll, RunKind run,
                           const std::string& root, bool deletes) {
    WindowSettings ws;
    ws.SizeBox1 = false;
    ws.NoDelChk = !deletes;
    ws.DelChk = false;
    SetArcAllChk(ws, arcAll);
    for (int side = 1; side <= 2; ++side) {
        const SideConfig& s = c[side - 1];
        SetTreeDirectory(ws, side, root + "/" + kSide[side - 1]);
        SetSubDirChk(ws, side, true);
        const bool archives = !(s.withFiles && run == RunKind::PlainOnly);
        SetLzhChk(ws, side, s.lzh && archives);
        SetZipChk(ws, side, s.zip && archives);
        SetWithFilesChk(ws, side, s.withFiles && run == RunKind::WithFiles);
        if (ws.Side(side).MaskFieldsEnabled) {  // typed only where they can be
            TypeMask(ws, side, s.mask);
            TypeIgnoreMask(ws, side, s.ignore);
        }
    }
    return ws;
}

// The pairs and the "whole archive found" lines, and the files deleted.
std::pair<Strings, Strings> RunOnCopy(const WindowSettings& ws, const std::string& master,
                                      const std::string& root) {
    auto files = [&] {
        Strings out;
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (e.is_regular_file()) out.insert(e.path().string().substr(root.size()));
        return out;
    };
    fs::copy(master, root, fs::copy_options::recursive);
    const Strings before = files();
    TNebu job;
    EXPECT_EQ(ApplyToJob(ws, job), std::nullopt);
    ScriptedHost host;
    const RunResult r = RunJob(job, host);
    EXPECT_EQ(job.Phase, kPhaseFinished);
    EXPECT_TRUE(host.questions.empty());
    Strings found;
    for (const SamePairRec& p : r.pairs)
        found.insert((p.folder1 + "/" + p.name1).substr(root.size()) + " | " +
                     (p.folder2 + "/" + p.name2).substr(root.size()));
    for (const std::string& line : r.log)
        if (line.find("全てファイルは比較元にあります") != std::string::npos)
            found.insert(line.substr(line.find(root) + root.size()));
    Strings deleted;
    const Strings after = files();
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::inserter(deleted, deleted.end()));
    return {found, deleted};
}

TEST(WithFilesUnionTest, OneJobFindsAndDeletesWhatThePlainAndTheArchiveRunsDo) {
    TempTree tree;
    ScopedEnv tmp("TMPDIR", tree.MakeDir("tmp"));
    const char* const masks[] = {"*.*", "*.*", "*.txt;*.zip", "*.dat;*.lzh", "*.bin"};
    std::size_t seen[2] = {0, 0};
    for (std::uint32_t seed = 1; seed <= 16; ++seed) {
        Draw d{seed * 0x9E3779B97F4A7C15ull};
        SideConfig c[2];
        for (SideConfig& s : c) {
            const std::size_t archives = d.Below(3);  // none, zip, lzh and zip
            s = {archives == 2, archives >= 1, archives >= 1 && d.Below(5) < 3, masks[d.Below(5)],
                 d.Below(4) == 0 ? "*.dat" : ""};
        }
        if (!c[0].withFiles && !c[1].withFiles) c[seed % 2].zip = c[seed % 2].withFiles = true;
        const bool arcAll = d.Below(3) == 0;
        SCOPED_TRACE("seed " + std::to_string(seed));
        const std::string base = tree / ("seed" + std::to_string(seed));
        BuildTree(d, seed, base + "/master");
        int copy = 0;
        for (const bool deletes : {false, true}) {
            std::pair<Strings, Strings> runs[3];
            for (RunKind kind : {RunKind::WithFiles, RunKind::PlainOnly, RunKind::ArchivesOnly}) {
                runs[static_cast<int>(kind)] = RunOnCopy(
                    SettingsFor(c, arcAll, kind, base + "/" + std::to_string(copy), deletes),
                    base + "/master", base + "/" + std::to_string(copy));
                ++copy;
            }
            // Without deletions, the pairs; with them, the files gone.
            const Strings& both = deletes ? runs[0].second : runs[0].first;
            Strings expected = deletes ? runs[1].second : runs[1].first;
            const Strings& more = deletes ? runs[2].second : runs[2].first;
            expected.insert(more.begin(), more.end());
            EXPECT_EQ(both, expected) << (deletes ? "deleted" : "pairs");
            seen[deletes] += both.size();
        }
    }
    // The trees must give the comparison something to find and to delete.
    EXPECT_GT(seen[0], 40u);
    EXPECT_GT(seen[1], 10u);
}

}  // namespace
}  // namespace nebu::test
