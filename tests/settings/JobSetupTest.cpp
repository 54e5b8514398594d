#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/Nebu.h"
#include "settings/JobSetup.h"
#include "settings/Reactions.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using Names = std::vector<std::string>;

class JobSetupTest : public ::testing::Test {
  protected:
    WindowSettings settings;
    TNebu job;
};

TEST_F(JobSetupTest, CopiesOptionsAndNormalisedMasks) {
    settings.Side(1).noFmask = "*.bak;;";
    SetSubDirChk(settings, 2, true);
    SetZipChk(settings, 1, true);
    settings.NoDelChk = false;
    settings.DelChk = false;
    settings.CheckTrash = true;
    settings.CheckDelDir = true;
    SetArcAllChk(settings, true);
    SetCheckHidden(settings, true);
    settings.Side(2).Fmask = "*.txt";
    settings.Side(2).noFmask = "*.*";

    ASSERT_EQ(ApplyToJob(settings, job), std::nullopt);
    EXPECT_EQ(job.SrcSubDir, 0);
    EXPECT_EQ(job.DstSubDir, 1);
    EXPECT_EQ(job.SrcZip, 1);
    EXPECT_EQ(job.DstZip, 0);
    EXPECT_EQ(job.NoDelete, 0);
    EXPECT_EQ(job.DelConfirm, 0);
    EXPECT_EQ(job.ToRecycleBin, 1);
    EXPECT_EQ(job.DelEmptyDirs, 1);
    EXPECT_EQ(job.ArcByEntry, 1);
    EXPECT_EQ(job.SearchAttr, 51u);
    EXPECT_EQ(job.SrcMask, "*.ZIP;");
    EXPECT_EQ(job.DstMask, "*.TXT;");
    EXPECT_EQ(job.SrcIgnore, "") << "the zip rule empties the ignore field";
    EXPECT_EQ(job.DstIgnore, "") << "an ignore mask of every file ignores nothing";
}

TEST_F(JobSetupTest, EmptyMaskTakesEveryFileAndIgnoreMaskIsUpperCased) {
    settings.Side(1).Fmask = "";
    settings.Side(1).noFmask = "*.bak";
    ASSERT_EQ(ApplyToJob(settings, job), std::nullopt);
    EXPECT_EQ(job.SrcMask, "*;");
    EXPECT_EQ(job.SrcIgnore, "*.BAK;");
}

TEST_F(JobSetupTest, SizeRangeIsReadAsCIntegers) {
    settings.SizeMin = "100";
    settings.SizeMax = "99";
    EXPECT_EQ(ApplyToJob(settings, job), std::string(kSizeRangeMessage));

    settings.SizeMax = "100";
    ASSERT_EQ(ApplyToJob(settings, job), std::nullopt) << "equal limits are accepted";
    EXPECT_EQ(job.SizeMin, 100);
    EXPECT_EQ(job.SizeMax, 100);

    settings.SizeMin = "";
    settings.SizeMax = "  +12ab3";
    ASSERT_EQ(ApplyToJob(settings, job), std::nullopt);
    EXPECT_EQ(job.SizeMin, 0) << "no digits count as 0";
    EXPECT_EQ(job.SizeMax, 12);
}

TEST_F(JobSetupTest, SizeRangeOffTakesEverySizeWhateverTheFieldsHold) {
    settings.SizeBox1 = false;
    settings.SizeMin = "500";
    settings.SizeMax = "2";
    ASSERT_EQ(ApplyToJob(settings, job), std::nullopt);
    EXPECT_EQ(job.SizeMin, 0);
    EXPECT_EQ(job.SizeMax, 999999999);
}

TEST(ReadSizeText, FollowsCRules) {
    EXPECT_EQ(ReadSizeText("\t 42x"), 42);
    EXPECT_EQ(ReadSizeText("-7"), -7);
    EXPECT_EQ(ReadSizeText("- 7"), 0);
    EXPECT_EQ(ReadSizeText("x1"), 0);
    EXPECT_EQ(ReadSizeText("99999999999999999999999"), INT64_MAX) << "saturates, never wraps";
}

TEST_F(JobSetupTest, TreeDirectoriesGetASeparatorButTheRootStaysAsItIs) {
    settings.Side(1).DirectoryListBox = "/";
    settings.Side(2).DirectoryListBox = "/work/データ";
    ASSERT_EQ(ApplyToJob(settings, job), std::nullopt);
    EXPECT_EQ(job.SrcDirs.InAddedOrder(), Names{"/"});
    EXPECT_EQ(job.DstDirs.InAddedOrder(), Names{"/work/データ/"});
}

TEST_F(JobSetupTest, ShownListGivesAllItsEntriesInListOrder) {
    settings.Side(1).DirListShown = true;
    settings.Side(1).DirListText = {"/a", "/b/", "/c d"};
    job.SrcDirs.Add("/left-over/");
    ASSERT_EQ(ApplyToJob(settings, job), std::nullopt);
    EXPECT_EQ(job.SrcDirs.InAddedOrder(), (Names{"/a/", "/b/", "/c d/"}));

    settings.Side(1).DirListText.clear();
    ASSERT_EQ(ApplyToJob(settings, job), std::nullopt);
    EXPECT_EQ(job.SrcDirs.Count(), 0) << "a shown empty list gives the side no directory";
}

TEST_F(JobSetupTest, EmptyTreeDirectoryStopsTheStart) {
    settings.Side(1).DirectoryListBox.clear();
    EXPECT_EQ(ApplyToJob(settings, job), std::string(kNoSourceDirMessage));
    settings.Side(1).DirectoryListBox = "/";
    settings.Side(2).DirectoryListBox.clear();
    EXPECT_EQ(ApplyToJob(settings, job), std::string(kNoTargetDirMessage));
    EXPECT_EQ(job.SrcDirs.InAddedOrder(), Names{"/"}) << "what was copied before stays";
}

TEST(ResultActionsAllowed, OnlyWhenTargetRowsAreFiles) {
    WindowSettings s;
    EXPECT_TRUE(ResultActionsAllowed(s));
    s.Side(2).ZipChk = true;
    EXPECT_FALSE(ResultActionsAllowed(s)) << "target archives, source plain";
    s.Side(1).ZipChk = true;
    EXPECT_TRUE(ResultActionsAllowed(s)) << "archives against archives, whole";
    s.ArcAllChk = true;
    EXPECT_FALSE(ResultActionsAllowed(s)) << "archives against archives, entry by entry";
    s.Side(2).ZipChk = false;
    EXPECT_TRUE(ResultActionsAllowed(s));
}

TEST(LogPath, ReplacesAFourCharacterExtensionOrAppends) {
    EXPECT_EQ(LogNameBeside("/opt/tools/dup.exe"), "/opt/tools/dup.log");
    EXPECT_EQ(LogNameBeside("/usr/bin/nebu-cli"), "/usr/bin/nebu-cli.log");
    EXPECT_EQ(LogNameBeside("/opt/v1.2/nebu"), "/opt/v1.2/nebu.log");
    EXPECT_EQ(LogNameBeside("/opt/ネブ.bin"), "/opt/ネブ.log");
    EXPECT_EQ(LogNameBeside("/opt/.exe"), "/opt/.exe.log");
}

// Root owns every system folder, so root never writes beside a program.
TEST(LogPath, StaysBesideAnExecutableOnlyInAFolderOfTheUsersOwn) {
    test::TempTree tree;
    const std::string exe = tree.Write("bin/nebu", "");
    const std::string state = tree / "state/";
    EXPECT_EQ(LogPathFor("/usr/bin/nebu", state), state + "nebu.log");
    EXPECT_EQ(LogPathFor("/bin/nebu-cli", state), state + "nebu-cli.log");
    if (::geteuid() == 0) {
        EXPECT_EQ(LogPathFor(exe, state), state + "nebu.log");
    } else {
        EXPECT_EQ(LogPathFor(exe, tree / "other/"), tree / "bin/nebu.log");
        EXPECT_FALSE(test::Exists(tree / "other")) << "the fallback folder is made only when used";
    }
}

TEST(LogPath, FallsBackToTheStateFolderWhenTheFolderCannotBeWritten) {
    test::TempTree tree;
    const std::string state = tree / "state/nebu/";
    EXPECT_EQ(LogPathFor("/nonexistent-nebu-folder/bin/nebu.exe", state), state + "nebu.log");
    EXPECT_TRUE(test::Exists(state));
}

TEST(LogPath, EmptyWhileLoggingIsOff) {
    test::TempTree tree;
    test::ScopedEnv state("XDG_STATE_HOME", tree.Path());
    WindowSettings s;
    EXPECT_EQ(LogPathForJob(s), "");
    s.CheckLog = true;
    EXPECT_TRUE(LogPathForJob(s).ends_with("/settings_tests.log"));
}

}  // namespace
}  // namespace nebu
