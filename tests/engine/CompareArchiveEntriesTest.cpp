// Both sides expand archives and compare them entry by entry; nothing is
// ever deleted in this mode.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

class CompareArchiveEntriesTest : public ArchiveJobTest {};

TEST_F(CompareArchiveEntriesTest, TheSameArchiveOnBothSidesMeetsItselfAndListsNothing) {
    tree_.MakeDir("d");
    MakeLzh(tree_ / "d/書庫.lzh", {Item("一.txt", Compressible(3000, 'a')),
                                   Item("フォルダ/二.txt", Compressible(3000, 'b')),
                                   Item("フォルダ/深い/三.txt", Compressible(500, 'c'))});
    MakeZip(tree_ / "d/other.zip", {Item("x/y/z.bin", RandomBytes(800, 9))});
    DeleteWithoutAsking();
    RunResult r = RunOver({tree_ / "d"}, {tree_ / "d"}, kArchiveSide, kArchiveSide, true);

    EXPECT_EQ(LinesContaining(r.log, "比較先").at(0), "比較先4件検索しました。");
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_TRUE(host_.questions.empty());
    for (TNebuList* list : {job_.SrcList.get(), job_.DstList.get()}) {
        NebuRec rec;
        for (bool m = list->FirstFile(rec); m; m = list->NextFile(rec)) {
            EXPECT_EQ(rec.Matched, 1) << rec.Path << " " << rec.Entry;
        }
    }
    EXPECT_EQ(ClosingWord(r.log), "処理終了");
}

TEST_F(CompareArchiveEntriesTest, TwinEntriesOfOneArchiveOnBothSidesGiveOneMutualPair) {
    tree_.MakeDir("d");
    const std::string twin = RandomBytes(1234, 10);
    MakeZip(tree_ / "d/a.zip", {Item("左/twin", twin), Item("右/twin", twin)});
    DeleteWithoutAsking();
    RunResult r = RunOver({tree_ / "d"}, {tree_ / "d"}, kArchiveSide, kArchiveSide, true);
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].mutual, 1);
    EXPECT_EQ(r.pairs[0].folder1, tree_ / "d/a.zip");
    EXPECT_EQ(r.pairs[0].folder2, tree_ / "d/a.zip");
    EXPECT_NE(r.pairs[0].name1, r.pairs[0].name2);
    EXPECT_EQ(
        LinesContaining(r.log, "が同じです"),
        (std::vector<std::string>{MakeSameLine(EntryLabel(tree_ / "d/a.zip", r.pairs[0].name1),
                                               EntryLabel(tree_ / "d/a.zip", r.pairs[0].name2))}));
    EXPECT_TRUE(Exists(tree_ / "d/a.zip"));
}

TEST_F(CompareArchiveEntriesTest, SharedEntriesOfTwoArchivesArePairedAndNothingIsDeleted) {
    const std::string shared = Compressible(4000, 's');
    const std::string alsoShared = RandomBytes(321, 11);
    tree_.MakeDir("src");
    tree_.MakeDir("dst");
    MakeLzh(S("元.lzh"), {Item("資料/共有.txt", shared), Item("a.bin", alsoShared),
                          Item("only-src.txt", Compressible(4000, 'o'))});
    MakeZip(D("先.zip"),
            {Item("別名.txt", shared), Item("深い/b.bin", alsoShared),
             Item("only-dst.txt", RandomBytes(50, 12))},
            false);
    DeleteAfterAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide, true);

    const SamePairRec small{"a.bin", S("元.lzh"), "深い/b.bin", D("先.zip"), 321, 0};
    const SamePairRec large{"資料/共有.txt", S("元.lzh"), "別名.txt", D("先.zip"), 4000, 0};
    EXPECT_EQ(r.pairs, (std::vector<SamePairRec>{small, large}));
    EXPECT_EQ(LinesContaining(r.log, "が同じです"),
              (std::vector<std::string>{MakeSameLine(EntryLabel(S("元.lzh"), "a.bin"),
                                                     EntryLabel(D("先.zip"), "深い/b.bin")),
                                        MakeSameLine(EntryLabel(S("元.lzh"), "資料/共有.txt"),
                                                     EntryLabel(D("先.zip"), "別名.txt"))}));
    EXPECT_TRUE(LinesContaining(r.log, "削除").empty());
    EXPECT_TRUE(LinesContaining(r.log, "全てファイル").empty());
    EXPECT_TRUE(host_.questions.empty());
    EXPECT_TRUE(host_.choicesShown.empty());
    EXPECT_TRUE(Exists(S("元.lzh")) && Exists(D("先.zip")));
    EXPECT_TRUE(job_.DeletedArcs.Empty());
    EXPECT_EQ(job_.SrcPlain, 1);
}

TEST_F(CompareArchiveEntriesTest, OneEntryEqualToEntriesOfTwoArchivesGivesTwoPairs) {
    // One source entry equal to two target entries in two archives.
    const std::string same = RandomBytes(600, 13);
    tree_.MakeDir("src");
    tree_.MakeDir("dst/1");
    tree_.MakeDir("dst/2");
    MakeZip(S("s.zip"), {Item("s", same)});
    MakeZip(D("1/t.zip"), {Item("t1", same)});
    MakeZip(D("2/t.zip"), {Item("t2", same)});
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide, true);
    ASSERT_EQ(r.pairs.size(), 2u);
    auto lines = LinesContaining(r.log, "が同じです");
    ASSERT_EQ(lines.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(lines[i], MakeSameLine(EntryLabel(r.pairs[i].folder1, r.pairs[i].name1),
                                         EntryLabel(r.pairs[i].folder2, r.pairs[i].name2)));
        EXPECT_EQ(r.pairs[i].size, 600);
    }
    EXPECT_NE(r.pairs[0].folder2, r.pairs[1].folder2);
    EXPECT_TRUE(Exists(D("1/t.zip")) && Exists(D("2/t.zip")));
}

TEST_F(CompareArchiveEntriesTest, OneArchiveReachedByTwoNamesListsNoEntryAsItsOwnDuplicate) {
    const std::string twin = RandomBytes(777, 16);
    tree_.MakeDir("src");
    tree_.MakeDir("dst");
    MakeZip(S("a.zip"),
            {Item("one", RandomBytes(500, 17)), Item("左/twin", twin), Item("右/twin", twin)});
    ASSERT_EQ(::link(S("a.zip").c_str(), D("b.zip").c_str()), 0);
    RunResult r = Run(kArchiveSide, kArchiveSide, true);
    // Only the two twins are duplicates of each other, once each way.
    ASSERT_EQ(r.pairs.size(), 2u) << ::testing::PrintToString(LinesContaining(r.log, "が同じです"));
    for (const SamePairRec& p : r.pairs) {
        EXPECT_NE(p.name1, p.name2);
        EXPECT_EQ(p.size, 777);
    }
}

}  // namespace
}  // namespace nebu::test
