// Entries of source archives against plain target files.

#include <gtest/gtest.h>

#include <algorithm>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

class CompareSourceArchivesTest : public ArchiveJobTest {
  protected:
    // A source archive whose photo is also lying twice in the target.
    void PhotoTwiceInTheTarget() {
        tree_.MakeDir("src");
        MakeZip(S("箱.zip"),
                {Folder("写真/"), Item("写真/夏/海.jpg", photo_), Item("メモ.txt", "memo")});
        tree_.Write("dst/コピー.jpg", photo_);
        tree_.Write("dst/sub/もう一つ.jpg", photo_);
        tree_.Write("dst/other.txt", "oth!");
    }
    std::string Label() const { return EntryLabel(S("箱.zip"), "写真/夏/海.jpg"); }

    const std::string photo_ = RandomBytes(70000, 21);
};

TEST_F(CompareSourceArchivesTest, EntryEqualToTwoTargetsDeletesBothAsSoonAsFound) {
    PhotoTwiceInTheTarget();
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kPlainSide);

    EXPECT_EQ(r.log.at(2), "比較元2件検索しました。");
    EXPECT_EQ(r.log.at(3), "比較先3件検索しました。");
    // Each pair is settled right when it is found: its deletion line follows it.
    ASSERT_EQ(r.log.size(), 10u) << ::testing::PrintToString(r.log);
    std::vector<std::string> targets;
    for (std::size_t i = 4; i < 8; i += 2) {
        const std::string line = r.log[i];
        ASSERT_EQ(line.rfind("｢" + Label() + "｣と｢", 0), 0u) << line;
        const std::string target =
            line.substr(std::string("｢" + Label() + "｣と｢").size(),
                        line.size() - std::string("｢" + Label() + "｣と｢").size() -
                            std::string("｣が同じです。").size());
        EXPECT_EQ(line, MakeSameLine(Label(), target));
        EXPECT_EQ(r.log[i + 1], DeletedLine(target));
        targets.push_back(target);
    }
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets, (std::vector<std::string>{D("sub/もう一つ.jpg"), D("コピー.jpg")}));
    EXPECT_EQ(ClosingWord(r.log), "処理終了");
    EXPECT_FALSE(Exists(D("コピー.jpg")));
    EXPECT_FALSE(Exists(D("sub/もう一つ.jpg")));
    EXPECT_TRUE(Exists(D("other.txt")));
    EXPECT_TRUE(Exists(S("箱.zip")));
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_TRUE(host_.questions.empty());
    EXPECT_EQ(job_.SrcPlain, 0);
}

TEST_F(CompareSourceArchivesTest, DoNotDeleteListsEachPairWithTheArchiveAsSourceFolder) {
    PhotoTwiceInTheTarget();
    RunResult r = Run(kArchiveSide, kPlainSide);

    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 2u);
    EXPECT_TRUE(LinesContaining(r.log, "削除").empty());
    ASSERT_EQ(r.pairs.size(), 2u);
    std::vector<std::string> targetFolders;
    for (const SamePairRec& p : r.pairs) {
        EXPECT_EQ(p.name1, "写真/夏/海.jpg");
        EXPECT_EQ(p.folder1, S("箱.zip"));
        EXPECT_EQ(p.size, 70000);
        EXPECT_EQ(p.mutual, 0);
        EXPECT_EQ(MakeSameLine(Label(), JoinPath(p.folder2, p.name2)),
                  LinesContaining(r.log, "が同じです")[&p - r.pairs.data()]);
        targetFolders.push_back(JoinPath(p.folder2, p.name2));
    }
    std::sort(targetFolders.begin(), targetFolders.end());
    EXPECT_EQ(targetFolders, (std::vector<std::string>{D("sub/もう一つ.jpg"), D("コピー.jpg")}));
    EXPECT_TRUE(Exists(D("コピー.jpg")));
    EXPECT_TRUE(Exists(D("sub/もう一つ.jpg")));
    // The results name archive entries on the source side from now on.
    EXPECT_EQ(job_.SrcPlain, 0);
    // The matched entry and both targets count as found; the memo and the
    // other target do not.
    NebuRec rec;
    for (bool m = job_.SrcList->FirstFile(rec); m; m = job_.SrcList->NextFile(rec)) {
        EXPECT_EQ(rec.Matched, rec.Entry == "写真/夏/海.jpg" ? 1 : 0) << rec.Entry;
    }
    for (bool m = job_.DstList->FirstFile(rec); m; m = job_.DstList->NextFile(rec)) {
        EXPECT_EQ(rec.Matched, rec.Path == D("other.txt") ? 0 : 1) << rec.Path;
    }
}

TEST_F(CompareSourceArchivesTest, ConfirmationAnswersYesNoAndCancel) {
    tree_.MakeDir("src");
    MakeZip(S("a.zip"), {Item("one", "1"), Item("dir/two", "22")});
    MakeLzh(S("b.lzh"), {Item("three", "333"), Item("four", "4444")});
    tree_.Write("dst/1", "1");
    tree_.Write("dst/2", "22");
    tree_.Write("dst/3", "333");
    tree_.Write("dst/4", "4444");
    host_.messageAnswers = {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel};
    DeleteAfterAsking();
    RunResult r = Run(kArchiveSide, kPlainSide);

    // Size groups come in ascending order: one, two, three; Cancel ends the
    // job before the four-byte group is compared.
    ASSERT_EQ(host_.questions.size(), 3u);
    const std::string line1 = MakeSameLine(EntryLabel(S("a.zip"), "one"), D("1"));
    const std::string line2 = MakeSameLine(EntryLabel(S("a.zip"), "dir/two"), D("2"));
    const std::string line3 = MakeSameLine(EntryLabel(S("b.lzh"), "three"), D("3"));
    EXPECT_EQ(host_.questions[0], line1 + "\n" + DeleteQuestion(D("1")));
    EXPECT_EQ(host_.questions[1], line2 + "\n" + DeleteQuestion(D("2")));
    EXPECT_EQ(host_.questions[2], line3 + "\n" + DeleteQuestion(D("3")));
    EXPECT_FALSE(Exists(D("1")));
    EXPECT_TRUE(Exists(D("2")));
    EXPECT_TRUE(Exists(D("3")));
    EXPECT_TRUE(Exists(D("4")));
    EXPECT_EQ(LinesContaining(r.log, "が同じです"),
              (std::vector<std::string>{line1, line2, line3}));
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("1"))}));
    // No and Cancel list their pairs.
    ASSERT_EQ(r.pairs.size(), 2u);
    EXPECT_EQ(r.pairs[0], (SamePairRec{"dir/two", S("a.zip"), "2", tree_ / "dst", 2, 0}));
    EXPECT_EQ(r.pairs[1], (SamePairRec{"three", S("b.lzh"), "3", tree_ / "dst", 3, 0}));
    EXPECT_EQ(ClosingWord(r.log), "処理中止");
    EXPECT_EQ(job_.Phase, kPhaseStopped);
    EXPECT_EQ(job_.FileFunc->Stop, 1);
}

TEST_F(CompareSourceArchivesTest, ADeletedTargetIsNeverComparedAgain) {
    tree_.Write("dst/t.txt", "same content");
    tree_.MakeDir("src/a");
    tree_.MakeDir("src/b");
    MakeZip(S("a/x.zip"), {Item("e.txt", "same content")});
    MakeZip(S("b/y.zip"), {Item("f.txt", "same content")});
    // Someone puts the file back right after it was deleted: the record of
    // the deleted file must not be compared again all the same.
    host_.onLine = [&](const std::string& line) {
        if (line == DeletedLine(D("t.txt"))) WriteFile(D("t.txt"), "same content");
    };
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kPlainSide);
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 1u);
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("t.txt"))}));
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_EQ(ReadFile(D("t.txt")), "same content");
}

TEST_F(CompareSourceArchivesTest, ATargetRewrittenWhileTheQuestionWasOpenIsListed) {
    tree_.MakeDir("src");
    MakeZip(S("a.zip"), {Item("e.txt", "same")});
    tree_.Write("dst/t.txt", "same");
    host_.messageAnswers = {MsgAnswer::Yes};
    host_.onLine = [&](const std::string& line) {
        if (line.find("が同じです") != std::string::npos) WriteFile(D("t.txt"), "new!");
    };
    DeleteAfterAsking();
    RunResult r = Run(kArchiveSide, kPlainSide);
    EXPECT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(ReadFile(D("t.txt")), "new!");
    EXPECT_TRUE(LinesContaining(r.log, "削除しました").empty());
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].name1, "e.txt");
    EXPECT_EQ(ClosingWord(r.log), "処理終了");
}

TEST_F(CompareSourceArchivesTest, AnArchiveRewrittenWhileTheQuestionWasOpenKeepsTheTarget) {
    tree_.MakeDir("src");
    MakeZip(S("a.zip"), {Item("e.txt", "same")});
    tree_.Write("dst/t.txt", "same");
    host_.messageAnswers = {MsgAnswer::Yes};
    host_.onLine = [&](const std::string& line) {
        // The only other copy goes while the user looks at the question.
        if (line.find("が同じです") != std::string::npos)
            MakeZip(S("a.zip"), {Item("e.txt", "gone")});
    };
    DeleteAfterAsking();
    RunResult r = Run(kArchiveSide, kPlainSide);
    EXPECT_TRUE(Exists(D("t.txt")));
    EXPECT_EQ(r.pairs.size(), 1u);
}

}  // namespace
}  // namespace nebu::test
