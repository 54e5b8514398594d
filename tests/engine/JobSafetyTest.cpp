#include <gtest/gtest.h>
#include <unistd.h>

#include "JobTestSupport.h"
#include "support/ScopedEnv.h"

namespace nebu::test {
namespace {

class JobSafetyTest : public ::testing::Test {
  protected:
    TempTree tree_;
    ScopedEnv tmpEnv_{"TMPDIR", tree_.MakeDir("tmp")};
    ScriptedHost host_;
    TNebu job_;
};

TEST_F(JobSafetyTest, ListOnlyRemovesNoEmptyFolder) {
    tree_.Write("src/a", "1");
    tree_.MakeDir("dst/空/b");
    SetUpJob(job_, {tree_ / "src"}, {tree_ / "dst"});
    job_.DelEmptyDirs = 1;
    job_.NoDelete = 1;
    RunJob(job_, host_);
    EXPECT_TRUE(Exists(tree_ / "dst/空/b"));
}

TEST_F(JobSafetyTest, EmptySourceFoldersInsideATargetStay) {
    tree_.MakeDir("dst/keep/src");
    tree_.MakeDir("dst/keep/linked");
    tree_.MakeDir("dst/gone/inner");
    ASSERT_EQ(::symlink((tree_ / "dst/keep/linked").c_str(), (tree_ / "link").c_str()), 0);
    SetUpJob(job_, {tree_ / "dst/keep/src", tree_ / "link"}, {tree_ / "dst"});
    job_.DelEmptyDirs = 1;
    job_.NoDelete = 0;
    RunJob(job_, host_);
    EXPECT_TRUE(Exists(tree_ / "dst/keep/src"));
    EXPECT_TRUE(Exists(tree_ / "dst/keep/linked"));
    EXPECT_FALSE(Exists(tree_ / "dst/gone"));
}

// Both sides name the same folder with the same masks, but only the target
// side ignores *.bak: the target list must be scanned, not copied.
TEST_F(JobSafetyTest, TargetIgnoreMaskProtectsWhenTheSidesAreAlike) {
    tree_.Write("d/a.txt", "same bytes");
    tree_.Write("d/a.bak", "same bytes");
    SetUpJob(job_, {tree_ / "d"}, {tree_ / "d"});
    job_.DstIgnore = "*.BAK;";
    job_.NoDelete = 0;
    RunResult r = RunJob(job_, host_);
    EXPECT_TRUE(Exists(tree_ / "d/a.bak"));
    for (const auto& pair : r.pairs) EXPECT_NE(pair.name2, "a.bak");
    EXPECT_FALSE(LinesContaining(r.log, "比較先1件検索しました。").empty());
}

}  // namespace
}  // namespace nebu::test
