// A settings file is one job, whichever program opens it: the job the window
// starts after loading a file (fresh, or after the user worked in it) is the
// job `nebu-cli --settings` runs, and a job the command line saved opens in
// the window as that job. Files and command lines are made up from a seed.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "cli/CliOptions.h"
#include "engine/Nebu.h"
#include "platform/Cp932.h"
#include "settings/DirListEdits.h"
#include "settings/JobSetup.h"
#include "settings/Reactions.h"
#include "settings/SettingsFile.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

using Texts = std::vector<std::string>;

class SettingsJobParityTest : public ::testing::Test {
  protected:
    TempTree tree_;
    ScopedEnv tmp_{"TMPDIR", tree_.MakeDir("tmp")};
    Texts folders_;
    std::mt19937 random_{17};
    TNebu job_;
    const bool zip_ = job_.FileFunc->ZipReady != 0;

    void SetUp() override {
        for (const char* name : {"写真", "写真/夏", "表 B", "a,b", "say \"hi\"", "データ/深い"})
            folders_.push_back(tree_.MakeDir(name));
    }
    bool Chance(int percent) { return std::uniform_int_distribution(0, 99)(random_) < percent; }
    const std::string& Pick(const Texts& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random_)];
    }

    // Random keys, values and key order, in Shift-JIS, UTF-8 or UTF-8 with
    // a byte-order mark; every directory named exists.
    std::string WriteFile(const std::string& path) {
        Texts lines;
        for (const char* key :
             {"SubDirChk1", "SubDirChk2", "ZipChk1", "ZipChk2", "WithFilesChk1", "WithFilesChk2",
              "ArcExeChk", "ArcAllChk", "NoDelChk", "DelChk", "CheckSame", "CheckHidden",
              "SizeBox1", "CheckDelDir", "CheckTrash"}) {
            if (Chance(75)) lines.push_back(key + ("=" + Pick({"0", "1", "1", "2", " 1 ", "x"})));
        }
        for (const std::string side : {"1", "2"}) {
            if (Chance(80))
                lines.push_back("Fmask" + side + "=" + Pick({"*.*", "*.txt", "写真*", ""}));
            if (Chance(60))
                lines.push_back("noFmask" + side + "=" + Pick({"", "*.tmp", "~*;*.bak"}));
            // Always named: a side without them would search the whole file
            // system, which the command line refuses.
            lines.push_back("DirectoryListBox" + side + "=" + (Chance(5) ? "/" : Pick(folders_)));
            std::string list;
            for (int n = std::uniform_int_distribution(0, 3)(random_); n > 0; --n) {
                std::string quoted = Pick(folders_);
                for (std::size_t at = 0; (at = quoted.find('"', at)) != std::string::npos; at += 2)
                    quoted.insert(at, "\"");
                list += (list.empty() ? "\"" : ",\"") + quoted + "\"";
            }
            if (Chance(85)) lines.push_back("DirListText" + side + "=" + list);
        }
        for (const char* key : {"SizeMin", "SizeMax"}) {
            if (Chance(70)) lines.push_back(key + ("=" + Pick({"0", "10", "999999999", "5x", ""})));
        }
        std::shuffle(lines.begin(), lines.end(), random_);
        std::string text = Chance(20) ? "; by hand\r\n[nebu]\r\n" : "[NEBU]\r\n";
        for (const std::string& line : lines) text += line + "\r\n";
        const int encoding = std::uniform_int_distribution(0, 2)(random_);
        test::WriteFile(path, encoding == 0   ? platform::Utf8ToCp932(text).value()
                              : encoding == 1 ? text
                                              : "\xEF\xBB\xBF" + text);
        return text;
    }

    // What 開始 does with these settings: its refusal, or the job's values.
    std::string Started(const WindowSettings& settings) {
        if (auto refusal = ApplyToJob(settings, job_)) return *refusal;
        const TNebu& j = job_;
        std::string text;
        for (const TDirList* dirs : {&j.SrcDirs, &j.DstDirs}) {
            for (const std::string& dir : dirs->InAddedOrder()) text += dir + "|";
            text += "\n";
        }
        for (const std::string* mask : {&j.SrcMask, &j.DstMask, &j.SrcIgnore, &j.DstIgnore})
            text += *mask + "\n";
        for (std::int64_t value : {j.SizeMin, j.SizeMax, std::int64_t{j.SearchAttr}})
            text += std::to_string(value) + " ";
        for (std::uint8_t flag :
             {j.SrcSubDir, j.DstSubDir, j.SrcLzh, j.DstLzh, j.SrcZip, j.DstZip, j.NoDelete,
              j.DelConfirm, j.DelEmptyDirs, j.ToRecycleBin, j.ArcByEntry})
            text += std::to_string(flag);
        return text;
    }
    std::string CommandLineJob(const Texts& args) {
        std::string error;
        const auto options =
            cli::ParseCommandLine(args, job_.FileFunc->LzhReady, job_.FileFunc->ZipReady, error);
        return options ? Started(options->settings) : "refused: " + error;
    }
    WindowSettings FreshWindow() const {
        WindowSettings settings;
        settings.LzhEnabled = job_.FileFunc->LzhReady != 0;
        settings.ZipEnabled = zip_;
        ResetToDefaults(settings);
        return settings;
    }
    // A few things a user does in the window between two loads.
    void Work(WindowSettings& s) {
        for (int step = 0; step < 3; ++step) {
            const int side = Chance(50) ? 1 : 2;
            switch (std::uniform_int_distribution(0, 4)(random_)) {
                case 0:
                    DropDirectories(s, side, {Pick(folders_)});
                    break;
                case 1:
                    SetTreeDirectory(s, side, Pick(folders_));
                    break;
                case 2:
                    SetSubDirChk(s, side, !s.Side(side).SubDirChk);
                    break;
                case 3:
                    SetCheckSame(s, !s.CheckSame);
                    break;
                default:
                    DeleteSelectedDirs(s, side, {0, 1, 2, 3});
                    break;
            }
        }
    }
};

TEST_F(SettingsJobParityTest, TheWindowStartsTheJobTheCommandLineRunsFromAFile) {
    WindowSettings used = FreshWindow();
    for (int i = 0; i < 200; ++i) {
        const std::string file = tree_ / ("case" + std::to_string(i) + ".neb");
        SCOPED_TRACE(WriteFile(file));
        const std::string cli = CommandLineJob({"--settings", file});
        ASSERT_EQ(cli.find("refused"), std::string::npos) << cli;

        WindowSettings fresh = FreshWindow();
        ASSERT_EQ(LoadSettingsFile(fresh, file), std::nullopt);
        EXPECT_EQ(Started(fresh), cli) << "a fresh window";
        Work(used);
        ASSERT_EQ(LoadSettingsFile(used, file), std::nullopt);
        EXPECT_EQ(Started(used), cli) << "a window used before";
    }
}

TEST_F(SettingsJobParityTest, AJobTheCommandLineSavedOpensInTheWindowAsThatJob) {
    Texts flags = {"-r",       "--src-subdir",        "--dst-subdir",   "--arc-exe",
                   "--delete", "--confirm",           "--trash",        "--hidden",
                   "--same",   "--delete-empty-dirs", "--no-size-limit"};
    if (zip_) flags.insert(flags.end(), {"--zip", "--dst-zip"});
    const std::vector<Texts> valued = {{"--mask", "*.txt;*.jpg"},
                                       {"--dst-ignore", "~*"},
                                       {"--size", "2:90"},
                                       {"--src-mask", "写真*"}};
    WindowSettings used = FreshWindow();
    for (int i = 0; i < 120; ++i) {
        Texts args;
        for (const std::string& flag : flags) {
            if (Chance(20)) args.push_back(flag);
        }
        for (const Texts& option : valued) {
            if (Chance(25)) args.insert(args.end(), option.begin(), option.end());
        }
        const bool same = std::find(args.begin(), args.end(), "--same") != args.end();
        for (const std::string side : {"-s", "-t"}) {
            for (int n = std::uniform_int_distribution(1, 3)(random_); n > 0; --n)
                args.insert(args.end(), {side, Pick(folders_)});
            if (same) break;  // a target side of its own is refused with --same
        }
        const std::string file = tree_ / ("saved" + std::to_string(i));
        args.insert(args.end(), {"--save-settings", file});
        std::string command;
        for (const std::string& a : args) command += " " + a;
        SCOPED_TRACE(command);

        std::string error;
        const auto options = cli::ParseCommandLine(args, job_.FileFunc->LzhReady, zip_, error);
        ASSERT_TRUE(options) << error;
        const std::string cli = Started(options->settings);
        ASSERT_EQ(cli::SaveSettings(*options), std::nullopt);

        WindowSettings fresh = FreshWindow();
        ASSERT_EQ(LoadSettingsFile(fresh, file + ".neb"), std::nullopt);
        EXPECT_EQ(Started(fresh), cli) << "a fresh window";
        for (const SideSettings& side : fresh.Sides) {
            // Shown or not, the tree is at the job's first folder, never at "/".
            EXPECT_EQ(side.DirectoryListBox, side.DirListText.at(0));
        }
        Work(used);
        ASSERT_EQ(LoadSettingsFile(used, file + ".neb"), std::nullopt);
        EXPECT_EQ(Started(used), cli) << "a window used before";
        EXPECT_EQ(CommandLineJob({"--settings", file + ".neb"}), cli) << "the command line again";
    }
    EXPECT_EQ(
        CommandLineJob({"--same", "-s", folders_[0], "-t", folders_[1]}).find("refused: --same"),
        0u);
}

}  // namespace
}  // namespace nebu::test
