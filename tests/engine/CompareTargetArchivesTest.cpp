// Plain source files against entries of target archives, and the deletion of
// target archives all of whose entries were found.

#include <gtest/gtest.h>

#include <algorithm>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

class CompareTargetArchivesTest : public ArchiveJobTest {};

TEST_F(CompareTargetArchivesTest, PairsAreLoggedAndListedButEntriesAreNeverDeletedOneByOne) {
    const std::string song = RandomBytes(5000, 3);
    tree_.Write("src/歌.mp3", song);
    tree_.MakeDir("dst");
    MakeZip(D("まとめ.zip"), {Item("音楽/歌.mp3", song), Item("歌詞.txt", "la la la")});
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);

    const std::string line = MakeSameLine(S("歌.mp3"), EntryLabel(D("まとめ.zip"), "音楽/歌.mp3"));
    EXPECT_EQ(LinesContaining(r.log, "が同じです"), (std::vector<std::string>{line}));
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0],
              (SamePairRec{"歌.mp3", tree_ / "src", "音楽/歌.mp3", D("まとめ.zip"), 5000, 0}));
    EXPECT_TRUE(LinesContaining(r.log, "削除").empty());
    EXPECT_TRUE(LinesContaining(r.log, "全てファイル").empty());
    EXPECT_TRUE(Exists(D("まとめ.zip")));
    EXPECT_TRUE(job_.DeletedArcs.Empty());
    EXPECT_EQ(job_.SrcPlain, 1);
}

// Which of the three entries (by size: 0 smallest, 2 largest) the source lacks.
class TwoOfThreeEntriesTest : public CompareTargetArchivesTest,
                              public ::testing::WithParamInterface<int> {};

TEST_P(TwoOfThreeEntriesTest, AnArchiveWithAnEntryMissingIsNeitherAnnouncedNorDeleted) {
    const std::string contents[3] = {"a", RandomBytes(300, 1), RandomBytes(9000, 2)};
    tree_.MakeDir("dst/in");
    MakeZip(D("in/three.zip"),
            {Item("small", contents[0]), Item("mid/dle", contents[1]), Item("large", contents[2])});
    for (int i = 0; i < 3; ++i) {
        if (i != GetParam()) tree_.Write("src/f" + std::to_string(i), contents[i]);
    }
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 2u);
    EXPECT_EQ(r.pairs.size(), 2u);
    EXPECT_TRUE(LinesContaining(r.log, "全てファイル").empty());
    EXPECT_TRUE(LinesContaining(r.log, "削除").empty());
    EXPECT_TRUE(Exists(D("in/three.zip")));
    EXPECT_TRUE(job_.DeletedArcs.Empty());
}

INSTANTIATE_TEST_SUITE_P(WhicheverSizeIsMissing, TwoOfThreeEntriesTest, ::testing::Values(0, 1, 2));

TEST_F(CompareTargetArchivesTest, ACompleteArchiveIsAnnouncedOnceAndDeleted) {
    const std::string a = RandomBytes(700, 4);
    const std::string b = RandomBytes(1500, 5);
    tree_.Write("src/a.bin", a);
    tree_.Write("src/sub/b.bin", b);
    tree_.MakeDir("dst");
    // Two entries hold the same bytes; one source file covers both.
    MakeLzh(D("完全.lzh"), {Item("a.bin", a), Item("copy/a2.bin", a), Item("深い/階層/b.bin", b)});
    MakeZip(D("partial.zip"), {Item("b.bin", b), Item("new.bin", RandomBytes(1500, 6))});
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);

    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 4u);
    EXPECT_EQ(LinesContaining(r.log, "全てファイル"),
              (std::vector<std::string>{CompleteArchiveLine(D("完全.lzh"))}));
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("完全.lzh"))}));
    // The announcement and the deletion come after every pair.
    ASSERT_GE(r.log.size(), 4u);
    EXPECT_EQ(r.log[r.log.size() - 4], CompleteArchiveLine(D("完全.lzh")));
    EXPECT_EQ(r.log[r.log.size() - 3], DeletedLine(D("完全.lzh")));
    EXPECT_FALSE(Exists(D("完全.lzh")));
    EXPECT_TRUE(Exists(D("partial.zip")));
    EXPECT_TRUE(Exists(S("a.bin")) && Exists(S("sub/b.bin")));
    std::string deleted;
    ASSERT_TRUE(job_.DeletedArcs.Pop(deleted));
    EXPECT_EQ(deleted, D("完全.lzh"));
    EXPECT_TRUE(job_.DeletedArcs.Empty());
    // The pairs are still handed over; the results drop the rows of the
    // archive that went.
    EXPECT_EQ(r.pairs.size(), 4u);
    EXPECT_TRUE(host_.questions.empty());
    EXPECT_EQ(ClosingWord(r.log), "処理終了");
}

TEST_F(CompareTargetArchivesTest, DoNotDeleteAnnouncesEveryCompleteArchiveAndDeletesNone) {
    tree_.Write("src/x", "xxxx");
    tree_.Write("src/y", "yyyyyy");
    tree_.MakeDir("dst");
    MakeZip(D("1.zip"), {Item("x", "xxxx")});
    MakeZip(D("2.zip"), {Item("y", "yyyyyy"), Item("x2", "xxxx")});
    MakeZip(D("3.zip"), {Item("z", "zzzz")});
    RunResult r = Run(kPlainSide, kArchiveSide);
    auto announced = LinesContaining(r.log, "全てファイル");
    std::sort(announced.begin(), announced.end());
    EXPECT_EQ(announced, (std::vector<std::string>{CompleteArchiveLine(D("1.zip")),
                                                   CompleteArchiveLine(D("2.zip"))}));
    EXPECT_TRUE(LinesContaining(r.log, "削除").empty());
    EXPECT_TRUE(Exists(D("1.zip")) && Exists(D("2.zip")) && Exists(D("3.zip")));
    EXPECT_TRUE(job_.DeletedArcs.Empty());
    EXPECT_EQ(r.pairs.size(), 3u);
}

TEST_F(CompareTargetArchivesTest, ConfirmationAsksOncePerCompleteArchiveAndCancelStopsAsking) {
    // Archives are offered in the order of their smallest found entry.
    tree_.MakeDir("dst");
    for (int i = 1; i <= 4; ++i) {
        const std::string content(static_cast<std::size_t>(i), static_cast<char>('0' + i));
        tree_.Write("src/" + std::to_string(i), content);
        MakeZip(D("書庫" + std::to_string(i) + ".zip"), {Item("e", content)});
    }
    host_.messageAnswers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Cancel};
    DeleteAfterAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);

    EXPECT_EQ(host_.questions, (std::vector<std::string>{DeleteQuestion(D("書庫1.zip")),
                                                         DeleteQuestion(D("書庫2.zip")),
                                                         DeleteQuestion(D("書庫3.zip"))}));
    // After Cancel the last archive is still announced, but neither asked
    // about nor deleted.
    EXPECT_EQ(LinesContaining(r.log, "全てファイル").size(), 4u);
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("書庫2.zip"))}));
    EXPECT_TRUE(Exists(D("書庫1.zip")));
    EXPECT_FALSE(Exists(D("書庫2.zip")));
    EXPECT_TRUE(Exists(D("書庫3.zip")));
    EXPECT_TRUE(Exists(D("書庫4.zip")));
    std::string deleted;
    ASSERT_TRUE(job_.DeletedArcs.Pop(deleted));
    EXPECT_EQ(deleted, D("書庫2.zip"));
    EXPECT_TRUE(job_.DeletedArcs.Empty());
    EXPECT_EQ(ClosingWord(r.log), "処理中止");
    EXPECT_EQ(job_.Phase, kPhaseStopped);
}

TEST_F(CompareTargetArchivesTest, AStopDuringTheWalkStillAnnouncesButDeletesNothing) {
    tree_.Write("src/four", "four");
    tree_.Write("src/eight", "eight!!!");
    tree_.MakeDir("dst");
    MakeZip(D("complete.zip"), {Item("4", "four")});
    // Eight bytes by its headers, sixteen in its data: it cannot be extracted.
    MakeRawZip(D("broken.zip"), {RawZipEntry("8", "eight!!!eight!!!", 8u, true)});
    host_.messageAnswers = {MsgAnswer::No};
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);
    EXPECT_EQ(host_.questions,
              (std::vector<std::string>{FailedExtractionQuestion(D("broken.zip"))}));
    EXPECT_EQ(LinesContaining(r.log, "全てファイル"),
              (std::vector<std::string>{CompleteArchiveLine(D("complete.zip"))}));
    EXPECT_TRUE(LinesContaining(r.log, "削除").empty());
    EXPECT_TRUE(Exists(D("complete.zip")));
    EXPECT_EQ(ClosingWord(r.log), "処理中止");
}

TEST_F(CompareTargetArchivesTest, AnArchiveChangedBeforeItsDeletionIsKept) {
    tree_.Write("src/x", "xxxx");
    tree_.MakeDir("dst");
    MakeZip(D("1.zip"), {Item("x", "xxxx")});
    host_.messageAnswers = {MsgAnswer::Yes};
    host_.onLine = [&](const std::string& line) {
        // A new entry arrives while the question is on screen.
        if (line.find("全てファイル") != std::string::npos) {
            MakeZip(D("1.zip"), {Item("x", "xxxx"), Item("new", "only here")});
        }
    };
    DeleteAfterAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);
    EXPECT_EQ(host_.questions.size(), 1u);
    EXPECT_TRUE(Exists(D("1.zip")));
    EXPECT_TRUE(LinesContaining(r.log, "削除しました").empty());
    EXPECT_TRUE(job_.DeletedArcs.Empty());
}

TEST_F(CompareTargetArchivesTest, AnArchiveIsNeverComparedWithItsOwnEntries) {
    // An entry whose header claims the archive's own size puts the archive
    // (a plain file of the source) and its entry into one size group; its
    // data is shorter than claimed, so any attempt to extract it asks.
    const std::string name = "self.bin";
    const std::string data = RandomBytes(100, 8);
    const std::uint32_t archiveSize = 30 + 46 + 22 + 2 * name.size() + data.size() + 5;
    tree_.MakeDir("d");
    MakeRawZip(tree_ / "d/own.zip", {RawZipEntry(name, data, archiveSize, true)});
    ASSERT_EQ(ReadFile(tree_ / "d/own.zip").size(), archiveSize);
    // The same bytes under another name are another file, and are compared.
    tree_.Write("d/copy.zip", ReadFile(tree_ / "d/own.zip"));
    host_.messageAnswers = {MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::Yes};
    DeleteWithoutAsking();
    RunResult r = RunOver({tree_ / "d"}, {tree_ / "d"}, kPlainSide, kZipOnlySide);

    // own.zip and copy.zip each meet the other's entry once: two attempts,
    // none of an archive against its own entry.
    std::vector<std::string> asked = host_.questions;
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{FailedExtractionQuestion(tree_ / "d/copy.zip"),
                                               FailedExtractionQuestion(tree_ / "d/own.zip")}));
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_TRUE(Exists(tree_ / "d/own.zip") && Exists(tree_ / "d/copy.zip"));
}

}  // namespace
}  // namespace nebu::test
