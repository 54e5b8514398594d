// A settings file is one job, whichever program opens it: the job the window
// starts after loading a file (fresh, or after the user worked in it) is the
// job `nebu-cli --settings` runs, and a job the command line saved opens in
// the window as that job.

#include <gtest/gtest.h>

#include "cli/CliOptions.h"
#include "engine/Nebu.h"
#include "mainwin/ControlChanges.h"
#include "mainwin/DirListEdits.h"
#include "mainwin/JobSetup.h"
#include "mainwin/SettingsFile.h"
#include "support/ScopedEnv.h"
#include "support/SettingsCases.h"

namespace nebu::test {
namespace {

class SettingsJobParityTest : public ::testing::Test {
  protected:
    TempTree tree_;
    ScopedEnv tmp_{"TMPDIR", tree_.MakeDir("tmp")};
    SettingsCaseMaker maker_{tree_, 17};
    TNebu job_;
    const bool lzh_ = job_.FileFunc->LzhReady != 0;
    const bool zip_ = job_.FileFunc->ZipReady != 0;

    // What 開始 does with these settings: its refusal, or the job's values.
    std::string Started(const WindowSettings& settings) {
        if (auto refusal = ApplyToJob(settings, job_)) return *refusal;
        return JobText(job_);
    }
    std::string CommandLineJob(const std::vector<std::string>& args) {
        std::string error;
        const auto options = cli::ParseCommandLine(args, lzh_, zip_, error);
        if (!options) return "refused: " + error;
        return Started(options->settings);
    }
    WindowSettings FreshWindow() const {
        WindowSettings settings;
        settings.LzhEnabled = lzh_;
        settings.ZipEnabled = zip_;
        ResetToDefaults(settings);
        return settings;
    }
    // A few things a user does in the window between two loads.
    void Work(WindowSettings& s) {
        for (int step = 0; step < 3; ++step) {
            const int side = maker_.Chance(50) ? 1 : 2;
            switch (std::uniform_int_distribution<int>(0, 5)(maker_.Random())) {
                case 0:
                    DropDirectories(s, side, {maker_.Pick(maker_.Folders())});
                    break;
                case 1:
                    SetTreeDirectory(s, side, maker_.Pick(maker_.Folders()));
                    break;
                case 2:
                    SetSubDirChk(s, side, !s.Side(side).SubDirChk);
                    break;
                case 3:
                    SetCheckSame(s, !s.CheckSame);
                    break;
                case 4:
                    DeleteSelectedDirs(s, side, {0, 1, 2, 3});
                    break;
                default:
                    SetZipChk(s, side, zip_ && !s.Side(side).ZipChk);
                    break;
            }
        }
    }
};

TEST_F(SettingsJobParityTest, TheWindowStartsTheJobTheCommandLineRunsFromAFile) {
    WindowSettings used = FreshWindow();
    for (int i = 0; i < 200; ++i) {
        const std::string file = tree_ / ("case" + std::to_string(i) + ".neb");
        const std::string text = maker_.Write(file);
        SCOPED_TRACE(text);
        const std::string cli = CommandLineJob({"--settings", file});
        ASSERT_EQ(cli.find("refused"), std::string::npos) << cli;

        WindowSettings fresh = FreshWindow();
        ASSERT_EQ(LoadSettingsFile(fresh, file), std::nullopt);
        EXPECT_EQ(Started(fresh), cli) << "a fresh window";

        Work(used);
        const bool listShownBefore = used.Side(1).DirListShown;
        ASSERT_EQ(LoadSettingsFile(used, file), std::nullopt);
        EXPECT_EQ(Started(used), cli)
            << "a window whose source list was shown: " << listShownBefore;
    }
}

TEST_F(SettingsJobParityTest, AJobTheCommandLineSavedOpensInTheWindowAsThatJob) {
    const std::vector<std::string> flags = {"-r",
                                            "--src-subdir",
                                            "--dst-subdir",
                                            "--zip",
                                            "--dst-zip",
                                            "--arc-exe",
                                            "--delete",
                                            "--confirm",
                                            "--trash",
                                            "--hidden",
                                            "--same",
                                            "--delete-empty-dirs",
                                            "--no-size-limit"};
    const std::vector<std::vector<std::string>> valued = {{"--mask", "*.txt;*.jpg"},
                                                          {"--dst-ignore", "~*"},
                                                          {"--size", "2:90"},
                                                          {"--src-mask", "写真*"}};
    WindowSettings used = FreshWindow();
    for (int i = 0; i < 120; ++i) {
        std::vector<std::string> args;
        for (const std::string& flag : flags) {
            if ((flag.find("zip") == std::string::npos || zip_) && maker_.Chance(20))
                args.push_back(flag);
        }
        for (const auto& option : valued) {
            if (maker_.Chance(25)) args.insert(args.end(), option.begin(), option.end());
        }
        const bool same = std::find(args.begin(), args.end(), "--same") != args.end();
        for (const char* side : {"-s", "-t"}) {
            if (same && side == std::string("-t")) continue;
            const int count = std::uniform_int_distribution<int>(1, 3)(maker_.Random());
            for (int n = 0; n < count; ++n)
                args.insert(args.end(), {side, maker_.Pick(maker_.Folders())});
        }
        const std::string file = tree_ / ("saved" + std::to_string(i));
        args.insert(args.end(), {"--save-settings", file});
        std::string command;
        for (const std::string& a : args) command += " " + a;
        SCOPED_TRACE(command);

        std::string error;
        const auto options = cli::ParseCommandLine(args, lzh_, zip_, error);
        ASSERT_TRUE(options) << error;
        const std::string cli = Started(options->settings);
        ASSERT_EQ(cli::SaveSettings(*options), std::nullopt);

        WindowSettings fresh = FreshWindow();
        ASSERT_EQ(LoadSettingsFile(fresh, file + ".neb"), std::nullopt);
        EXPECT_EQ(Started(fresh), cli) << "a fresh window";
        for (int side : {1, 2}) {
            // Shown or not, the tree is at the job's first folder, never at "/".
            EXPECT_EQ(fresh.Side(side).DirectoryListBox, fresh.Side(side).DirListText.at(0));
        }
        Work(used);
        ASSERT_EQ(LoadSettingsFile(used, file + ".neb"), std::nullopt);
        EXPECT_EQ(Started(used), cli) << "a window used before";
        EXPECT_EQ(CommandLineJob({"--settings", file + ".neb"}), cli) << "the command line again";
    }
}

TEST_F(SettingsJobParityTest, TargetsCannotBeGivenWithTheSameConditions) {
    EXPECT_NE(CommandLineJob({"--same", "-s", maker_.Folders()[0], "-t", maker_.Folders()[1]})
                  .find("refused: --same"),
              std::string::npos);
}

}  // namespace
}  // namespace nebu::test
