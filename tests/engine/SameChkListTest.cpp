#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/SameChkList.h"

namespace nebu {
namespace {

std::vector<SamePairRec> ActivePairs(TSameChkList& list) {
    std::vector<SamePairRec> pairs;
    SamePairRec rec;
    for (bool ok = list.FirstPair(rec); ok; ok = list.NextPair(rec)) pairs.push_back(rec);
    return pairs;
}

SamePairRec Pair(const std::string& n1, const std::string& f1, const std::string& n2,
                 const std::string& f2, std::uint8_t mutual) {
    return SamePairRec{n1, f1, n2, f2, 0, mutual};
}

TEST(SameChkList, PairsComeNewestFirstAndReversePairsBecomeMutual) {
    TSameChkList list;
    list.AddPair("a.txt", "/d", "b.txt", "/d");
    list.AddPair("a.txt", "/d", "c.txt", "/e");
    EXPECT_EQ(list.Count(), 2);

    // The same pair the same way round is not a reverse pair.
    EXPECT_FALSE(list.FindReversePair("a.txt", "/d", "b.txt", "/d"));
    // Names and folders compare exactly, case included.
    EXPECT_FALSE(list.FindReversePair("B.txt", "/d", "a.txt", "/d"));
    EXPECT_FALSE(list.FindReversePair("b.txt", "/d/", "a.txt", "/d"));
    EXPECT_TRUE(list.FindReversePair("b.txt", "/d", "a.txt", "/d"));

    EXPECT_EQ(ActivePairs(list), (std::vector<SamePairRec>{Pair("a.txt", "/d", "c.txt", "/e", 0),
                                                           Pair("a.txt", "/d", "b.txt", "/d", 1)}));
}

TEST(SameChkList, DroppedPairsLeaveTheWalkButStillCount) {
    TSameChkList list;
    list.AddPair("s1", "/src", "t", "/dst");
    list.AddPair("s2", "/src", "t", "/dst");
    list.AddPair("t", "/dst", "s3", "/src");
    list.AddPair("s1", "/src", "u", "/dst");

    SamePairRec rec;
    ASSERT_TRUE(list.FirstPair(rec));
    EXPECT_EQ(rec.name2, "u");
    // Deleting "t" mid-walk drops every pair that holds it, on either side.
    list.DropPairsOf("t", "/dst");
    EXPECT_FALSE(list.NextPair(rec));
    EXPECT_FALSE(list.NextPair(rec));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(ActivePairs(list), (std::vector<SamePairRec>{Pair("s1", "/src", "u", "/dst", 0)}));

    // A dropped pair still answers the reverse search, so it is not found again.
    EXPECT_TRUE(list.FindReversePair("t", "/dst", "s2", "/src"));
    EXPECT_EQ(ActivePairs(list).size(), 1u);

    list.DropPairsOf("u", "/dst2");  // another folder: nothing happens
    EXPECT_EQ(ActivePairs(list).size(), 1u);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.FirstPair(rec));
    EXPECT_FALSE(list.FindReversePair("u", "/dst", "s1", "/src"));
}

TEST(SameChkList, ManyPairsOfOneFileAreAllDropped) {
    TSameChkList list;
    for (int i = 0; i < 3000; ++i) list.AddPair("空" + std::to_string(i), "/s", "0", "/t");
    list.AddPair("keep", "/s", "1", "/t");
    EXPECT_TRUE(list.FindReversePair("0", "/t", "空1234", "/s"));
    list.DropPairsOf("0", "/t");
    EXPECT_EQ(ActivePairs(list), (std::vector<SamePairRec>{Pair("keep", "/s", "1", "/t", 0)}));
    EXPECT_EQ(list.Count(), 3001);
}

TEST(PathSplit, SplitsAtTheLastSeparatorAndJoinsBack) {
    using Split = std::pair<std::string, std::string>;
    EXPECT_EQ(SplitPath("/home/ユーザー/写真.jpg"), (Split{"写真.jpg", "/home/ユーザー"}));
    EXPECT_EQ(SplitPath("/x"), (Split{"x", ""}));
    EXPECT_EQ(SplitPath("name"), (Split{"name", ""}));
    EXPECT_EQ(SplitPath("/dir/"), (Split{"", "/dir"}));
    for (const std::string path : {"/home/ユーザー/写真.jpg", "/x", "/", "/a/b/", "/a//b"}) {
        const auto [name, folder] = SplitPath(path);
        EXPECT_EQ(JoinPath(folder, name), path) << path;
    }
}

TEST(PathSplit, LogTexts) {
    EXPECT_EQ(MakeSameLine("/s/a", "/t/b"), "｢/s/a｣と｢/t/b｣が同じです。");
    EXPECT_EQ(EntryLabel("/t/書類.zip", "中/x.txt"), "『/t/書類.zip』の中の『中/x.txt』");
}

}  // namespace
}  // namespace nebu
