#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "JobTestSupport.h"
#include "engine/SameChkList.h"
#include "support/ScopedEnv.h"

namespace nebu::test {
namespace {

class ComparePlainTest : public ::testing::Test {
  protected:
    RunResult Run(const std::vector<std::string>& sources, const std::vector<std::string>& targets,
                  void (*tweak)(TNebu&) = nullptr) {
        SetUpJob(job_, sources, targets);
        if (tweak) tweak(job_);
        return RunJob(job_, host_);
    }
    std::string S(const std::string& rel) { return tree_ / ("src/" + rel); }
    std::string D(const std::string& rel) { return tree_ / ("dst/" + rel); }

    TempTree tree_;
    ScopedEnv tmp_{"TMPDIR", tree_.MakeDir("tmp")};
    ScopedEnv data_{"XDG_DATA_HOME", tree_.MakeDir("xdg-data")};
    ScriptedHost host_;
    TNebu job_;
};

TEST_F(ComparePlainTest, OnlyIdenticalBytesMakeAPair) {
    std::string big = RandomBytes(100000, 7);
    std::string lastByteDiffers = big;
    lastByteDiffers.back() ^= 1;
    tree_.Write("src/big", big);
    tree_.Write("dst/big-same", big);
    tree_.Write("dst/big-last", lastByteDiffers);
    tree_.Write("src/e1", "");
    tree_.Write("dst/e2", "");
    tree_.Write("src/a", "abcd");
    tree_.Write("dst/b", "abce");
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"});
    ASSERT_EQ(r.pairs.size(), 2u);
    EXPECT_EQ(r.pairs[0].name1, "e1");
    EXPECT_EQ(r.pairs[0].name2, "e2");
    EXPECT_EQ(r.pairs[0].size, 0);
    EXPECT_EQ(r.pairs[1].name2, "big-same");
    EXPECT_EQ(r.pairs[1].size, 100000);
}

TEST_F(ComparePlainTest, AHardLinkIsNeverADuplicateOfItself) {
    std::string a = tree_.Write("src/a", "content");
    tree_.MakeDir("dst");
    ASSERT_EQ(::link(a.c_str(), D("a-link").c_str()), 0);
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"}, [](TNebu& j) { j.NoDelete = 0; });
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
    EXPECT_TRUE(Exists(a));
    EXPECT_TRUE(Exists(D("a-link")));
}

TEST_F(ComparePlainTest, AFolderOnBothSidesGivesOneMutualPairPerTwins) {
    tree_.Write("d/A", "twin");
    tree_.Write("d/B", "twin");
    tree_.Write("d/C", "solo");
    // Each file meets itself on the other side and must never be taken for
    // its own duplicate; the twins meet twice and are reported once.
    RunResult r = Run({tree_ / "d"}, {tree_ / "d"});
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].mutual, 1);
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 1u);
    // Every file met itself, so every record is matched.
    NebuRec rec;
    for (bool m = job_.SrcList->FirstFile(rec); m; m = job_.SrcList->NextFile(rec)) {
        EXPECT_EQ(rec.Matched, 1) << rec.Path;
    }
}

TEST_F(ComparePlainTest, OneTargetEqualToThreeSourcesIsDeletedOnce) {
    tree_.Write("src/s1", "dup!");
    tree_.Write("src/s2", "dup!");
    tree_.Write("src/s3", "dup!");
    tree_.Write("dst/t", "dup!");
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"}, [](TNebu& j) { j.NoDelete = 0; });
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 1u);
    ASSERT_EQ(LinesContaining(r.log, "を削除しました").size(), 1u);
    EXPECT_EQ(LinesContaining(r.log, "を削除しました")[0], "｢" + D("t") + "｣を削除しました。");
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_FALSE(Exists(D("t")));
    EXPECT_TRUE(Exists(S("s1")) && Exists(S("s2")) && Exists(S("s3")));
}

TEST_F(ComparePlainTest, DoNotDeleteListsEveryPairNewestFirst) {
    tree_.Write("src/s1", "dup!");
    tree_.Write("src/s2", "dup!");
    tree_.Write("src/s3", "dup!");
    tree_.Write("dst/t", "dup!");
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"});
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 3u);
    ASSERT_EQ(r.pairs.size(), 3u);
    for (const auto& p : r.pairs) EXPECT_EQ(p.name2, "t");
    EXPECT_TRUE(Exists(D("t")));
    // The log and the list agree on the order.
    auto same = LinesContaining(r.log, "が同じです");
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(same[i], MakeSameLine(JoinPath(r.pairs[i].folder1, r.pairs[i].name1), D("t")));
    }
}

TEST_F(ComparePlainTest, ConfirmationAnswersDecideEachPair) {
    tree_.Write("src/a", "1");
    tree_.Write("dst/a", "1");
    tree_.Write("src/bb", "22");
    tree_.Write("dst/bb", "22");
    tree_.Write("src/ccc", "333");
    tree_.Write("dst/ccc", "333");
    host_.messageAnswers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Cancel};
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"}, [](TNebu& j) {
        j.NoDelete = 0;
        j.DelConfirm = 1;
    });
    ASSERT_EQ(host_.questions.size(), 3u);
    EXPECT_EQ(host_.questions[0],
              MakeSameLine(S("a"), D("a")) + "\n｢" + D("a") + "｣を削除してよいですか？");
    EXPECT_TRUE(Exists(D("a")));
    EXPECT_FALSE(Exists(D("bb")));
    EXPECT_TRUE(Exists(D("ccc")));
    // No and Cancel list their pairs; Cancel ends the job.
    ASSERT_EQ(r.pairs.size(), 2u);
    EXPECT_EQ(r.pairs[0].name2, "a");
    EXPECT_EQ(r.pairs[1].name2, "ccc");
    EXPECT_EQ(job_.Phase, kPhaseStopped);
    EXPECT_EQ(r.log[r.log.size() - 2].rfind("処理中止", 0), 0u);
}

TEST_F(ComparePlainTest, CancelStopsBeforeTheNextGroup) {
    tree_.Write("src/a", "1");
    tree_.Write("dst/a", "1");
    tree_.Write("src/bb", "22");
    tree_.Write("dst/bb", "22");
    host_.messageAnswers = {MsgAnswer::Cancel};
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"}, [](TNebu& j) {
        j.NoDelete = 0;
        j.DelConfirm = 1;
    });
    EXPECT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 1u);
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].name2, "a");
}

TEST_F(ComparePlainTest, MutualPairOffersTheChoiceOfWhichCopyToDelete) {
    tree_.Write("d/A", "twin");
    tree_.Write("d/B", "twin");
    host_.deleteChoices = {DelAnswer::DeleteFirst};
    RunResult r = Run({tree_ / "d"}, {tree_ / "d"}, [](TNebu& j) {
        j.NoDelete = 0;
        j.DelConfirm = 1;
    });
    ASSERT_EQ(host_.choicesShown.size(), 1u);
    const DeleteChoice& c = host_.choicesShown[0];
    EXPECT_EQ(c.Dname1, tree_ / "d");
    const std::string first = JoinPath(c.Dname1, c.Fname1);
    const std::string second = JoinPath(c.Dname2, c.Fname2);
    EXPECT_FALSE(Exists(first));
    EXPECT_TRUE(Exists(second));
    EXPECT_EQ(LinesContaining(r.log, "を削除しました").at(0), "｢" + first + "｣を削除しました。");
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_TRUE(host_.questions.empty());
}

TEST_F(ComparePlainTest, ATargetThatVanishedBeforeDeletionIsListed) {
    tree_.Write("src/a", "same");
    tree_.Write("dst/a", "same");
    host_.messageAnswers = {MsgAnswer::Yes};
    host_.onLine = [&](const std::string& line) {
        if (line.find("が同じです") != std::string::npos) ::unlink(D("a").c_str());
    };
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"}, [](TNebu& j) {
        j.NoDelete = 0;
        j.DelConfirm = 1;
    });
    EXPECT_TRUE(LinesContaining(r.log, "を削除しました").empty());
    ASSERT_EQ(r.pairs.size(), 1u);
}

TEST_F(ComparePlainTest, ASourceChangedWhileTheQuestionWasOpenKeepsTheTarget) {
    tree_.Write("src/a", "same");
    tree_.Write("dst/a", "same");
    host_.messageAnswers = {MsgAnswer::Yes};
    host_.onLine = [&](const std::string& line) {
        // The user edits the kept copy while the question is on screen.
        if (line.find("が同じです") != std::string::npos) WriteFile(S("a"), "diff");
    };
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"}, [](TNebu& j) {
        j.NoDelete = 0;
        j.DelConfirm = 1;
    });
    EXPECT_TRUE(Exists(D("a")));
    EXPECT_TRUE(LinesContaining(r.log, "を削除しました").empty());
    EXPECT_EQ(r.pairs.size(), 1u);
}

TEST_F(ComparePlainTest, ASourceThatVanishedBeforeDeletionKeepsTheTarget) {
    tree_.Write("src/a", "same");
    tree_.Write("dst/a", "same");
    host_.onLine = [&](const std::string& line) {
        if (line.find("が同じです") != std::string::npos) ::unlink(S("a").c_str());
    };
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"}, [](TNebu& j) { j.NoDelete = 0; });
    EXPECT_TRUE(Exists(D("a")));
    EXPECT_EQ(r.pairs.size(), 1u);
}

TEST_F(ComparePlainTest, TrashMovesTheDuplicateIntoTheUsersTrash) {
    tree_.Write("src/a", "same");
    tree_.Write("dst/ゴミ.txt", "same");
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"}, [](TNebu& j) {
        j.NoDelete = 0;
        j.ToRecycleBin = 1;
    });
    EXPECT_FALSE(Exists(D("ゴミ.txt")));
    EXPECT_EQ(ReadFile(tree_ / "xdg-data/Trash/files/ゴミ.txt"), "same");
    EXPECT_TRUE(Exists(tree_ / "xdg-data/Trash/info/ゴミ.txt.trashinfo"));
    EXPECT_EQ(LinesContaining(r.log, "を削除しました").size(), 1u);
}

TEST_F(ComparePlainTest, ListsWithoutACommonSizeCompareNothing) {
    tree_.Write("src/a", "1");
    tree_.Write("dst/b", "22");
    RunResult r = Run({tree_ / "src"}, {tree_ / "dst"});
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_EQ(r.log.size(), 6u);
}

}  // namespace
}  // namespace nebu::test
