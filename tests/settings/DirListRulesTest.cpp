#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/DirListRules.h"
#include "settings/Reactions.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using Entries = std::vector<std::string>;

TEST(DirListText, QuotesEntriesWithBlanksQuotesAndCommas) {
    EXPECT_EQ(DirListToText({"/a", "/b c"}), "/a,\"/b c\"");
    EXPECT_EQ(DirListToText({"/x\"y", "/p,q", "/t\tu"}), "\"/x\"\"y\",\"/p,q\",\"/t\tu\"");
    EXPECT_EQ(DirListToText({""}), "\"\"");
    EXPECT_EQ(DirListToText({}), "");
    EXPECT_EQ(DirListToText({"/データ", "/日本 語"}), "/データ,\"/日本 語\"");
}

TEST(DirListText, ReadsBackWhatItWroteInSortedOrder) {
    const Entries lists[] = {
        {"/a", "/b c"}, {"\"/quoted first\"", "/plain", "/x\"y"}, {""},
        {"", ""},       {"/データ", "/日本 語", "/p,q"},
    };
    for (Entries entries : lists) {
        const std::string text = DirListToText(entries);
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(DirListFromText(text), entries) << text;
    }
}

TEST(DirListText, SkipsBlanksAroundEntriesAndSortsWithoutCase) {
    EXPECT_EQ(DirListFromText("  /b , \"/A x\",/c"), (Entries{"/A x", "/b", "/c"}));
    EXPECT_EQ(DirListFromText("/a,,/b"), (Entries{"", "/a", "/b"}));
    EXPECT_EQ(DirListFromText("/a b"), (Entries{"/a", "b"}));
    EXPECT_EQ(DirListFromText("\"/unterminated"), (Entries{"/unterminated"}));
    EXPECT_EQ(DirListFromText(""), Entries{});
}

class NormalizeDirListTest : public ::testing::Test {
  protected:
    test::TempTree tree;
    std::string root = tree.Path();
};

TEST_F(NormalizeDirListTest, DroppedFilesBecomeTheirFolderOnce) {
    const std::string data = tree.MakeDir("データ");
    tree.Write("データ/A.TXT", "a");
    tree.Write("データ/B.TXT", "b");
    Entries entries = {data + "/A.TXT", data + "/B.TXT"};
    EXPECT_TRUE(NormalizeDirList(entries, false));
    EXPECT_EQ(entries, Entries{data});
}

TEST_F(NormalizeDirListTest, VanishedDirectoryClimbsToItsNearestAncestor) {
    const std::string a = tree.MakeDir("a");
    Entries entries = {a + "/gone/deeper/file.txt"};
    NormalizeDirList(entries, false);
    EXPECT_EQ(entries, Entries{a});

    Entries relative = {"nowhere/at/all"};
    EXPECT_FALSE(NormalizeDirList(relative, false)) << "nothing left means the list hides";
    EXPECT_TRUE(relative.empty());
}

TEST_F(NormalizeDirListTest, SubDirectorySearchRemovesDescendantsNotNeighbours) {
    const std::string a = tree.MakeDir("A");
    const std::string ab = tree.MakeDir("A/B");
    const std::string aSibling = tree.MakeDir("AB");
    Entries entries = {ab, aSibling, a};
    NormalizeDirList(entries, true);
    EXPECT_EQ(entries, (Entries{a, aSibling}));

    Entries withoutSubDirs = {ab, a, a};
    NormalizeDirList(withoutSubDirs, false);
    EXPECT_EQ(withoutSubDirs, (Entries{a, ab}));
}

TEST_F(NormalizeDirListTest, RootCoversEverythingWithSubDirectories) {
    const std::string a = tree.MakeDir("x");
    Entries entries = {a, "/"};
    NormalizeDirList(entries, true);
    EXPECT_EQ(entries, Entries{"/"});
}

TEST_F(NormalizeDirListTest, DifferentCaseIsADifferentDirectory) {
    const std::string lower = tree.MakeDir("data");
    const std::string upper = tree.MakeDir("Data");
    Entries entries = {lower, upper};
    NormalizeDirList(entries, false);
    EXPECT_EQ(entries.size(), 2u);
}

TEST_F(NormalizeDirListTest, DropShowsTheListAndSubDirChangeRenormalises) {
    const std::string a = tree.MakeDir("A");
    const std::string ab = tree.MakeDir("A/B");
    WindowSettings s;
    DropDirectories(s, 1, {ab, a});
    EXPECT_TRUE(s.Side(1).DirListShown);
    EXPECT_EQ(s.Side(1).DirListText, (Entries{a, ab}));

    SetSubDirChk(s, 1, true);
    EXPECT_EQ(s.Side(1).DirListText, Entries{a});
    SetSubDirChk(s, 1, false);
    EXPECT_EQ(s.Side(1).DirListText, Entries{a}) << "entries never come back";

    s.Side(1).DirListText.clear();
    DropDirectories(s, 1, {});
    EXPECT_FALSE(s.Side(1).DirListShown) << "an empty list falls back to the tree";
}

}  // namespace
}  // namespace nebu
