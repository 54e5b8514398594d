// Both sides expand archives without the per-entry option: an archive is
// one record, and two archives are the same when their files are, one to
// one, whatever the names.

#include <gtest/gtest.h>
#include <unistd.h>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

class CompareWholeArchivesTest : public ArchiveJobTest {
  protected:
    // Two archives, of two kinds, holding the same files under other names
    // and in other folders.
    void SameFilesUnderOtherNames() {
        tree_.MakeDir("src");
        tree_.MakeDir("dst");
        MakeZip(S("元.zip"), {Folder("x/"), Item("x/one.txt", a_), Item("two.bin", b_)});
        MakeLzh(D("先.lzh"), {Item("別/1.txt", a_), Item("deep/er/2.bin", b_)});
    }
    const std::string a_ = Compressible(1000, 'a');
    const std::string b_ = RandomBytes(300, 14);
};

TEST_F(CompareWholeArchivesTest, SameFilesUnderOtherNamesMakeTheTargetArchiveADuplicate) {
    SameFilesUnderOtherNames();
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide);
    EXPECT_EQ(LinesContaining(r.log, "比較元").at(0), "比較元2件検索しました。");
    EXPECT_EQ(LinesContaining(r.log, "が同じです"),
              (std::vector<std::string>{MakeSameLine(S("元.zip"), D("先.lzh"))}));
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("先.lzh"))}));
    EXPECT_FALSE(Exists(D("先.lzh")));
    EXPECT_TRUE(Exists(S("元.zip")));
    EXPECT_TRUE(r.pairs.empty());
}

TEST_F(CompareWholeArchivesTest, DoNotDeleteListsTheArchivesLikePlainFiles) {
    SameFilesUnderOtherNames();
    RunResult r = Run(kArchiveSide, kArchiveSide);
    EXPECT_EQ(
        r.pairs,
        (std::vector<SamePairRec>{{"元.zip", tree_ / "src", "先.lzh", tree_ / "dst", 1300, 0}}));
    EXPECT_TRUE(Exists(D("先.lzh")));
}

TEST_F(CompareWholeArchivesTest, ConfirmationAsksAboutTheTargetArchive) {
    SameFilesUnderOtherNames();
    host_.messageAnswers = {MsgAnswer::No};
    DeleteAfterAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide);
    EXPECT_EQ(host_.questions, (std::vector<std::string>{MakeSameLine(S("元.zip"), D("先.lzh")) +
                                                         "\n" + DeleteQuestion(D("先.lzh"))}));
    EXPECT_EQ(r.pairs.size(), 1u);
    EXPECT_TRUE(Exists(D("先.lzh")));
}

TEST_F(CompareWholeArchivesTest, OneByteMoreOrLessInOneEntryMakesThemDifferent) {
    std::string changed = b_;
    changed[150] ^= 0x01;
    tree_.MakeDir("src");
    tree_.MakeDir("dst");
    MakeZip(S("a.zip"), {Item("one.txt", a_), Item("two.bin", b_)});
    MakeZip(D("b.zip"), {Item("one.txt", a_), Item("two.bin", changed)});
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide);
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_TRUE(Exists(D("b.zip")));
}

TEST_F(CompareWholeArchivesTest, OnlyAOneToOneMatchOfEveryEntryMakesThemEqual) {
    const std::string c = RandomBytes(300, 15);  // the size of b_, other bytes
    tree_.MakeDir("src");
    tree_.MakeDir("dst");
    // Same sum of sizes, one entry more.
    MakeZip(S("count.zip"), {Item("a", std::string(10, 'x')), Item("b", std::string(10, 'x'))});
    MakeZip(D("count.zip"), {Item("ab", std::string(20, 'x'))});
    // Same count and sum, other sizes.
    MakeZip(S("sizes.zip"), {Item("a", std::string(5, 'y')), Item("b", std::string(45, 'y'))});
    MakeZip(D("sizes.zip"), {Item("a", std::string(25, 'y')), Item("b", std::string(25, 'y'))});
    // One source file twice cannot stand for two different target files.
    MakeZip(S("twice.zip"), {Item("b1", b_), Item("b2", b_)});
    MakeZip(D("twice.zip"), {Item("b", b_), Item("c", c)});
    // The same files in another order are equal.
    MakeZip(S("order.zip"), {Item("1", a_), Item("2", b_), Item("3", c), Item("4", "z")});
    MakeZip(D("order.zip"), {Item("4", "z"), Item("3", c), Item("1", a_), Item("2", b_)});
    RunResult r = Run(kZipOnlySide, kZipOnlySide);
    EXPECT_EQ(r.pairs, (std::vector<SamePairRec>{
                           {"order.zip", tree_ / "src", "order.zip", tree_ / "dst", 1601, 0}}));
}

TEST_F(CompareWholeArchivesTest, AnArchiveOfFoldersOnlyNeverEqualsAnything) {
    tree_.MakeDir("src");
    tree_.MakeDir("dst");
    MakeZip(S("folders.zip"), {Folder("a/"), Folder("a/b/"), Folder("空/")});
    MakeLzh(D("folders.lzh"), {Folder("a"), Folder("空")});
    MakeZip(D("folders.zip"), {Folder("c/")});
    // One empty file is a file: these two are equal, and keep both lists
    // from being empty.
    MakeZip(S("empty.zip"), {Item("nothing", "")});
    MakeZip(D("empty2.zip"), {Folder("d/"), Item("d/zero", "")});
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide);
    EXPECT_EQ(LinesContaining(r.log, "が同じです"),
              (std::vector<std::string>{MakeSameLine(S("empty.zip"), D("empty2.zip"))}));
    EXPECT_FALSE(Exists(D("empty2.zip")));
    EXPECT_TRUE(Exists(D("folders.lzh")));
    EXPECT_TRUE(Exists(D("folders.zip")));
}

TEST_F(CompareWholeArchivesTest, AnArchiveOfFoldersOnlyOnBothSidesOfOneFolderMeetsOnlyItself) {
    tree_.MakeDir("d");
    MakeZip(tree_ / "d/folders.zip", {Folder("a/")});
    MakeZip(tree_ / "d/folders2.zip", {Folder("b/")});
    MakeZip(tree_ / "d/one.zip", {Item("x", "1")});
    DeleteWithoutAsking();
    RunResult r = RunOver({tree_ / "d"}, {tree_ / "d"}, kArchiveSide, kArchiveSide);
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
    EXPECT_TRUE(Exists(tree_ / "d/folders.zip") && Exists(tree_ / "d/folders2.zip"));
}

TEST_F(CompareWholeArchivesTest, OneArchiveReachedByTwoNamesIsNeverItsOwnDuplicate) {
    SameFilesUnderOtherNames();
    // The target holds a second name of the source archive.
    ASSERT_EQ(::unlink(D("先.lzh").c_str()), 0);
    ASSERT_EQ(::link(S("元.zip").c_str(), D("link.zip").c_str()), 0);
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide);
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_TRUE(Exists(D("link.zip")) && Exists(S("元.zip")));
}

}  // namespace
}  // namespace nebu::test
