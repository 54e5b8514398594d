#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <regex>

#include "JobTestSupport.h"
#include "support/ScopedEnv.h"

namespace nebu::test {
namespace {

class JobRunTest : public ::testing::Test {
  protected:
    bool TmpIsEmpty() const {
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(tmp_)) names.push_back(e.path());
        return names.empty();
    }

    TempTree tree_;
    // Work folders land in a folder of the test's own.
    std::string tmp_ = tree_.MakeDir("tmp");
    ScopedEnv tmpEnv_{"TMPDIR", tmp_};
    ScriptedHost host_;
    TNebu job_;
};

TEST_F(JobRunTest, LogsEveryLineOfAPlainRunInOrder) {
    tree_.Write("src/あ.txt", "same");
    tree_.Write("src/other.txt", "abcd");
    tree_.Write("dst/い.txt", "same");
    SetUpJob(job_, {tree_ / "src"}, {tree_ / "dst"});
    RunResult r = RunJob(job_, host_);

    ASSERT_EQ(r.log.size(), 7u);
    EXPECT_TRUE(std::regex_match(
        r.log[0], std::regex("処理開始（\\d{4}/\\d\\d/\\d\\d( \\d\\d:\\d\\d:\\d\\d)?）")))
        << r.log[0];
    EXPECT_EQ(r.log[1],
              "ディレクトリ｢" + tree_ / "src/" + "｣と｢" + tree_ / "dst/" + "｣を検索します。");
    EXPECT_EQ(r.log[2], "比較元2件検索しました。");
    EXPECT_EQ(r.log[3], "比較先1件検索しました。");
    EXPECT_EQ(r.log[4],
              "｢" + tree_ / "src/あ.txt" + "｣と｢" + tree_ / "dst/い.txt" + "｣が同じです。");
    EXPECT_TRUE(std::regex_match(
        r.log[5], std::regex("処理終了（\\d{4}/\\d\\d/\\d\\d( \\d\\d:\\d\\d:\\d\\d)?）")));
    EXPECT_TRUE(std::regex_match(r.log[6], std::regex("処理時間は\\d\\d:\\d\\d:\\d\\dです")));
    EXPECT_EQ(job_.Phase, kPhaseFinished);
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].name1, "あ.txt");
    EXPECT_EQ(r.pairs[0].folder2, tree_ / "dst");
    EXPECT_EQ(r.pairs[0].size, 4);
}

TEST_F(JobRunTest, DirectoryLineJoinsDirectoriesInTheOrderTheyWereAdded) {
    tree_.MakeDir("a");
    tree_.MakeDir("b");
    tree_.MakeDir("c");
    SetUpJob(job_, {tree_ / "a", tree_ / "b"}, {tree_ / "c"});
    RunResult r = RunJob(job_, host_);
    ASSERT_GE(r.log.size(), 2u);
    EXPECT_EQ(r.log[1], "ディレクトリ｢" + tree_ / "a/" + ";" + tree_ / "b/" + "｣と｢" +
                            tree_ / "c/" + "｣を検索します。");
}

TEST_F(JobRunTest, IdenticalSidesWithEqualIgnoreMasksCopyTheSourceList) {
    tree_.Write("d/x.txt", "1");
    tree_.Write("d/y.dat", "22");
    tree_.Write("d/z.dat", "22");
    SetUpJob(job_, {tree_ / "d"}, {tree_ / "d"});
    job_.SrcIgnore = "*.TXT;";
    job_.DstIgnore = "*.TXT;";
    RunResult r = RunJob(job_, host_);
    EXPECT_EQ(LinesContaining(r.log, "比較先").at(0), "比較先2件検索しました。");
    // y and z meet each other from both sides: one mutual pair, listed once.
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].mutual, 1);
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 1u);
}

TEST_F(JobRunTest, SameDirectoriesInAnotherOrderAreScannedAgain) {
    tree_.Write("a/x.dat", "1");
    tree_.Write("b/y.txt", "2");
    SetUpJob(job_, {tree_ / "a", tree_ / "b"}, {tree_ / "b", tree_ / "a"});
    job_.DstIgnore = "*.DAT;";
    RunResult r = RunJob(job_, host_);
    EXPECT_EQ(LinesContaining(r.log, "比較元").at(0), "比較元2件検索しました。");
    EXPECT_EQ(LinesContaining(r.log, "比較先").at(0), "比較先1件検索しました。");
}

TEST_F(JobRunTest, EmptySourceStillScansTheTargetAndComparesNothing) {
    tree_.MakeDir("src");
    tree_.Write("dst/a", "x");
    SetUpJob(job_, {tree_ / "src"}, {tree_ / "dst"});
    RunResult r = RunJob(job_, host_);
    ASSERT_EQ(r.log.size(), 6u);
    EXPECT_EQ(r.log[2], "比較元0件検索しました。");
    EXPECT_EQ(r.log[3], "比較先1件検索しました。");
    EXPECT_EQ(r.log[4].rfind("処理終了", 0), 0u);
    EXPECT_EQ(job_.Phase, kPhaseFinished);
}

struct StopPoint {
    const char* afterLineStartingWith;
    const char* absentLine;
};

class JobStopTest : public JobRunTest, public ::testing::WithParamInterface<StopPoint> {};

TEST_P(JobStopTest, StopRequestEndsTheRunWithTheStoppedLines) {
    tree_.Write("src/a", "same");
    tree_.Write("dst/b", "same");
    tree_.MakeDir("dst/empty/inner");
    SetUpJob(job_, {tree_ / "src"}, {tree_ / "dst"});
    job_.DelEmptyDirs = 1;
    const std::string trigger = GetParam().afterLineStartingWith;
    host_.onLine = [&](const std::string& line) {
        if (line.rfind(trigger, 0) == 0) job_.RequestStop();
    };
    RunResult r = RunJob(job_, host_);
    ASSERT_GE(r.log.size(), 3u);
    EXPECT_TRUE(LinesContaining(r.log, GetParam().absentLine).empty());
    EXPECT_EQ(r.log[r.log.size() - 2].rfind("処理中止（", 0), 0u);
    EXPECT_EQ(r.log.back().rfind("処理時間は", 0), 0u);
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_EQ(job_.Phase, kPhaseStopped);
    EXPECT_TRUE(Exists(tree_ / "dst/empty/inner")) << "empty folders stay after a stop";
}

INSTANTIATE_TEST_SUITE_P(EachPhase, JobStopTest,
                         ::testing::Values(StopPoint{"処理開始", "比較元"},
                                           StopPoint{"比較元", "比較先"},
                                           StopPoint{"比較先", "が同じです"}));

TEST_F(JobRunTest, NormalEndRemovesEmptyTargetFoldersButNeverTheRoots) {
    tree_.Write("src/a", "1");
    tree_.MakeDir("dst/a/b");
    tree_.MakeDir("dst2");
    SetUpJob(job_, {tree_ / "src"}, {tree_ / "dst", tree_ / "dst2"});
    job_.DelEmptyDirs = 1;
    job_.NoDelete = 0;
    RunJob(job_, host_);
    EXPECT_FALSE(Exists(tree_ / "dst/a"));
    EXPECT_TRUE(Exists(tree_ / "dst"));
    EXPECT_TRUE(Exists(tree_ / "dst2"));
}

TEST_F(JobRunTest, WorkFoldersOnlyWithArchiveOptionsAndNoneLeftAfterwards) {
    tree_.Write("src/a", "1");
    tree_.Write("dst/b", "1");
    SetUpJob(job_, {tree_ / "src"}, {tree_ / "dst"});
    RunJob(job_, host_);
    EXPECT_TRUE(job_.FileFunc->TempDir[0].empty());
    EXPECT_TRUE(TmpIsEmpty());

    job_.DstZip = 1;
    job_.DstMask = "*.ZIP;";
    RunResult r = RunJob(job_, host_);
    EXPECT_EQ(job_.FileFunc->TempDir[0].rfind(tmp_ + "/nb0", 0), 0u) << job_.FileFunc->TempDir[0];
    EXPECT_EQ(job_.FileFunc->TempDir[1].rfind(tmp_ + "/nb1", 0), 0u) << job_.FileFunc->TempDir[1];
    EXPECT_TRUE(TmpIsEmpty());
    EXPECT_EQ(job_.Phase, kPhaseFinished);
}

TEST(JobTimeTextTest, ElapsedHoursWrapAtADay) {
    EXPECT_EQ(TNebu::ElapsedText(25 * 3600), "01:00:00");
    EXPECT_EQ(TNebu::ElapsedText(3661), "01:01:01");
    EXPECT_EQ(TNebu::ElapsedText(0), "00:00:00");
}

TEST(JobTimeTextTest, MidnightLeavesTheTimeOut) {
    {
        ScopedEnv tz("TZ", "UTC");
        tzset();
        EXPECT_EQ(TNebu::DateTimeText(1767225600), "2026/01/01");  // 00:00:00 UTC
        EXPECT_EQ(TNebu::DateTimeText(1767225600 + 3723), "2026/01/01 01:02:03");
    }
    tzset();
}

}  // namespace
}  // namespace nebu::test
