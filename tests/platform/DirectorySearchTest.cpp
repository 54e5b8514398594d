#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>

#include "platform/DirectorySearch.h"
#include "support/TempTree.h"

namespace nebu::platform {
namespace {

using test::TempTree;

std::map<std::string, DirEntry> ListAll(const std::string& dir, std::uint32_t mask) {
    std::map<std::string, DirEntry> out;
    DirectorySearch search;
    if (!search.Open(dir, mask)) return out;
    DirEntry e;
    while (search.Next(e)) {
        EXPECT_EQ(out.count(e.name), 0u) << e.name << " returned twice";
        out[e.name] = e;
    }
    return out;
}

TEST(DirectorySearchTest, AttributesOfFilesAndDirectories) {
    TempTree tree;
    tree.Write("書類.txt", "12345");
    tree.Write("locked.txt", "x");
    ASSERT_EQ(::chmod((tree / "locked.txt").c_str(), 0444), 0);
    tree.MakeDir("フォルダ");
    tree.Write(".hidden", "");
    tree.MakeDir(".hiddendir");
    ASSERT_EQ(::symlink("書類.txt", (tree / "link").c_str()), 0);
    ASSERT_EQ(::mkfifo((tree / "fifo").c_str(), 0600), 0);

    auto all = ListAll(tree.Path(), kDefaultSearchAttr | kAttrHidden);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_FALSE(all.count(".") || all.count(".."));
    EXPECT_EQ(all["書類.txt"].size, 5);
    EXPECT_FALSE(all["書類.txt"].isDirectory);
    EXPECT_FALSE(all["書類.txt"].readOnly);
    EXPECT_TRUE(all["locked.txt"].readOnly);
    EXPECT_TRUE(all["フォルダ"].isDirectory);
    EXPECT_TRUE(all[".hidden"].hidden);
    EXPECT_TRUE(all[".hiddendir"].hidden);
    EXPECT_TRUE(all[".hiddendir"].isDirectory);

    struct stat st;
    ASSERT_EQ(::stat((tree / "書類.txt").c_str(), &st), 0);
    EXPECT_EQ(all["書類.txt"].device, st.st_dev);
    EXPECT_EQ(all["書類.txt"].inode, st.st_ino);

    auto visible = ListAll(tree.Path() + "/", kDefaultSearchAttr);
    EXPECT_EQ(visible.size(), 3u);
    EXPECT_EQ(visible.count(".hidden") + visible.count(".hiddendir"), 0u);
}

TEST(DirectorySearchTest, OpenFailsOnMissingOrNonDirectory) {
    TempTree tree;
    tree.Write("plain", "x");
    DirectorySearch search;
    EXPECT_FALSE(search.Open(tree / "missing", kDefaultSearchAttr));
    EXPECT_FALSE(search.Open(tree / "plain", kDefaultSearchAttr));
    EXPECT_FALSE(search.Open("", kDefaultSearchAttr));
    EXPECT_FALSE(search.IsOpen());
    DirEntry e;
    EXPECT_FALSE(search.Next(e));

    ASSERT_TRUE(search.Open(tree.Path(), kDefaultSearchAttr));
    struct stat st;
    ASSERT_EQ(::stat(tree.Path().c_str(), &st), 0);
    EXPECT_EQ(search.Device(), st.st_dev);
    EXPECT_EQ(search.Inode(), st.st_ino);
    search.Close();
    EXPECT_FALSE(search.IsOpen());
}

}  // namespace
}  // namespace nebu::platform
