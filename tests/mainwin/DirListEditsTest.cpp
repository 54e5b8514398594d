#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwin/DirListEdits.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using Entries = std::vector<std::string>;

TEST(DirListEdits, DeletingSelectedRowsInAnyOrderAndTheLastReturnsToTheTree) {
    test::TempTree tree;
    WindowSettings s;
    s.CheckSame = true;
    for (const char* name : {"甲", "乙", "丙", "丁"}) AddDirectory(s, 1, tree.MakeDir(name));
    ASSERT_EQ(s.Side(1).DirListText.size(), 4u);
    const Entries before = s.Side(1).DirListText;

    DeleteSelectedDirs(s, 1, {2, 0, 2, 9, -1});
    EXPECT_EQ(s.Side(1).DirListText, (Entries{before[1], before[3]}));
    EXPECT_TRUE(s.Side(1).DirListShown);
    EXPECT_EQ(s.Side(2).DirListText, s.Side(1).DirListText);  // tied sides follow

    DeleteSelectedDirs(s, 1, {});
    EXPECT_EQ(s.Side(1).DirListText.size(), 2u);
    DeleteSelectedDirs(s, 1, {1, 0});
    EXPECT_TRUE(s.Side(1).DirListText.empty());
    EXPECT_FALSE(s.Side(1).DirListShown);
    EXPECT_FALSE(s.Side(2).DirListShown);
}

TEST(DirListEdits, TheTreeIsAddedWithoutAskingOnlyInTreeMode) {
    test::TempTree tree;
    WindowSettings s;
    s.Side(2).DirectoryListBox = tree.Path();
    EXPECT_EQ(DirectoryToAddWithoutAsking(s, 2), tree.Path());
    AddDirectory(s, 2, DirectoryToAddWithoutAsking(s, 2));
    EXPECT_EQ(s.Side(2).DirListText, Entries{tree.Path()});
    EXPECT_EQ(DirectoryToAddWithoutAsking(s, 2), "");

    s.Side(1).DirectoryListBox.clear();  // the computer level
    EXPECT_EQ(DirectoryToAddWithoutAsking(s, 1), "");
    AddDirectory(s, 1, "");
    EXPECT_FALSE(s.Side(1).DirListShown);
}

}  // namespace
}  // namespace nebu
