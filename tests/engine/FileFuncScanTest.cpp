#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ScanTestSupport.h"
#include "engine/NebuFileFunc.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using test::AllFound;
using test::FoundPaths;
using test::TempTree;

// The found paths, sorted, against the expected ones, sorted.
std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

class ScanTest : public ::testing::Test {
  protected:
    ScanTest() {
        ff.Scan.Mask = "*;";
        ff.Scan.SubDir = 1;
    }

    int ScanRoot() {
        TDirList dirs;
        dirs.Add(tree.Path() + "/");
        return ff.ScanSide(dirs, list);
    }

    TempTree tree;
    TNebuFileFunc ff;
    TNebuList list;
};

TEST_F(ScanTest, FindsJapaneseNamesWithWholePathsAndSizes) {
    tree.Write("日本語フォルダ/データ.txt", "12345");
    tree.Write("トップ.doc", "abc");
    EXPECT_EQ(ScanRoot(), 1);

    auto found = AllFound(list);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].size, 3);
    EXPECT_EQ(found[0].path, tree / "トップ.doc");
    EXPECT_EQ(found[1].size, 5);
    EXPECT_EQ(found[1].path, tree / "日本語フォルダ/データ.txt");
    for (const auto& f : found) {
        EXPECT_EQ(f.kind, kKindPlain);
        EXPECT_TRUE(f.entry.empty());
    }
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(ScanTest, MaskThenIgnoreOnFileNamesOnly) {
    tree.Write("a.txt", "1");
    tree.Write("B.TXT", "2");
    tree.Write("bad.txt", "3");
    tree.Write("c.doc", "4");
    tree.Write("README", "5");
    tree.Write("folder.doc/inner.txt", "6");  // a folder name never meets the mask
    ff.Scan.Mask = "*.TXT;*.;";
    ff.Scan.Ignore = "BAD*;";
    ScanRoot();
    EXPECT_EQ(Sorted(FoundPaths(list)), Sorted({tree / "a.txt", tree / "B.TXT", tree / "README",
                                                tree / "folder.doc/inner.txt"}));

    // An empty mask takes nothing at all.
    list.Clear();
    ff.Scan.Mask = "";
    ff.Scan.Ignore = "";
    EXPECT_EQ(ScanRoot(), 1);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ScanTest, HiddenFilesAndFoldersOnlyWithHiddenBit) {
    tree.Write(".hidden.txt", "h");
    tree.Write(".versteckt/inside.txt", "i");
    tree.Write("visible/.dotfile", "d");
    tree.Write("visible/plain.txt", "p");

    ff.Scan.SearchAttr = 0x31;
    ScanRoot();
    EXPECT_EQ(Sorted(FoundPaths(list)), Sorted({tree / "visible/plain.txt"}));

    list.Clear();
    ff.Scan.SearchAttr = 0x33;
    ScanRoot();
    EXPECT_EQ(Sorted(FoundPaths(list)),
              Sorted({tree / ".hidden.txt", tree / ".versteckt/inside.txt",
                      tree / "visible/.dotfile", tree / "visible/plain.txt"}));
}

TEST_F(ScanTest, SubDirectoriesOnlyWhenAsked) {
    tree.Write("top.txt", "t");
    tree.Write("sub/deeper/low.txt", "l");
    ff.Scan.SubDir = 0;
    ScanRoot();
    EXPECT_EQ(Sorted(FoundPaths(list)), Sorted({tree / "top.txt"}));

    list.Clear();
    ff.Scan.SubDir = 1;
    ScanRoot();
    EXPECT_EQ(Sorted(FoundPaths(list)), Sorted({tree / "top.txt", tree / "sub/deeper/low.txt"}));
}

TEST_F(ScanTest, DirectoryFilesBeforeSubDirectoriesSubDirectoriesInReverseFoundOrder) {
    // Same size everywhere: the group keeps the order of addition, newest first.
    tree.Write("root.txt", "x");
    for (const char* name : {"s1", "s2", "s3", "s4"}) tree.Write(std::string(name) + "/f", "x");
    std::vector<std::string> foundOrder;
    for (const auto& e : std::filesystem::directory_iterator(tree.Path())) {
        if (e.is_directory()) foundOrder.push_back(e.path().filename().string());
    }
    ScanRoot();

    // Sub-directories walked last found first, so newest first equals found
    // order; the root's own file was added before every one of them.
    std::vector<std::string> expected;
    for (const auto& name : foundOrder) expected.push_back(tree / name + "/f");
    expected.push_back(tree / "root.txt");
    EXPECT_EQ(FoundPaths(list), expected);
}

TEST_F(ScanTest, SizeRangeIsInclusiveAndZeroByteFilesNeedMinZero) {
    tree.Write("empty", "");
    tree.Write("three", "333");
    tree.Write("five", "55555");
    tree.Write("six", "666666");
    ff.Scan.SizeMin = 0;
    ff.Scan.SizeMax = 5;
    ScanRoot();
    EXPECT_EQ(Sorted(FoundPaths(list)), Sorted({tree / "empty", tree / "three", tree / "five"}));

    list.Clear();
    ff.Scan.SizeMin = 1;
    ScanRoot();
    EXPECT_EQ(Sorted(FoundPaths(list)), Sorted({tree / "three", tree / "five"}));
}

TEST_F(ScanTest, FileBeyondFourGiBNeverPosesAsSmallFile) {
    const std::string path = tree / "sparse.bin";
    const std::int64_t big = (std::int64_t{1} << 32) + 1;  // low 32 bits say 1
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const bool grown = ::ftruncate(fd, big) == 0;
    ::close(fd);
    if (!grown) GTEST_SKIP() << "this file system cannot hold a sparse 4 GiB file";

    ff.Scan.SizeMin = 0;
    ff.Scan.SizeMax = 999999999;
    ScanRoot();
    EXPECT_EQ(list.Count(), 0);

    ff.Scan.SizeMax = 10;
    ScanRoot();
    EXPECT_EQ(list.Count(), 0) << "taken by its low 32 bits";

    ff.Scan.SizeMax = big;
    ScanRoot();
    auto found = AllFound(list);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].size, big);
}

TEST_F(ScanTest, SymbolicLinksAreNeverTakenNorFollowed) {
    TempTree outside;
    outside.Write("elsewhere/far.txt", "far");
    tree.Write("real.txt", "real");
    ASSERT_EQ(::symlink((tree / "real.txt").c_str(), (tree / "link.txt").c_str()), 0);
    ASSERT_EQ(::symlink((outside / "elsewhere").c_str(), (tree / "linkdir").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (tree / "dangling").c_str()), 0);
    ASSERT_EQ(::symlink(tree.Path().c_str(), (tree / "loop").c_str()), 0);
    ASSERT_EQ(::mkfifo((tree / "fifo").c_str(), 0600), 0);

    EXPECT_EQ(ScanRoot(), 1);
    EXPECT_EQ(Sorted(FoundPaths(list)), Sorted({tree / "real.txt"}));
}

TEST_F(ScanTest, DirectoryReachedTwiceInOneWalkIsSearchedOnce) {
    tree.Write("data/a.txt", "aaa");
    tree.Write("data/sub/b.txt", "bbb");
    ASSERT_EQ(::symlink((tree / "data").c_str(), (tree / "alias").c_str()), 0);
    // The same folder given under three names, one of them through a link,
    // and once more below another root.
    TDirList dirs;
    dirs.Add(tree / "data/");
    dirs.Add(tree / "alias/");
    dirs.Add(tree / "data/sub/");
    dirs.Add(tree / "data");
    ff.ScanSide(dirs, list);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(Sorted(FoundPaths(list)), Sorted({tree / "data/a.txt", tree / "data/sub/b.txt"}));

    // A new walk starts afresh.
    list.Clear();
    ff.ScanSide(dirs, list);
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(ScanTest, UnreadableFolderContributesNothingAndTheWalkGoesOn) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root: permissions do not keep root out of a folder";
    }
    tree.Write("open/ok.txt", "ok");
    tree.Write("closed/secret.txt", "no");
    ASSERT_EQ(::chmod((tree / "closed").c_str(), 0), 0);
    EXPECT_EQ(ScanRoot(), 1);
    EXPECT_EQ(Sorted(FoundPaths(list)), Sorted({tree / "open/ok.txt"}));

    TNebuList direct;
    EXPECT_EQ(ff.ScanDirectory(tree / "closed/", direct), 0);
}

TEST_F(ScanTest, MissingRootGivesZeroAndTheNextRootIsStillScanned) {
    tree.Write("here/x.txt", "x");
    TDirList dirs;
    dirs.Add(tree / "here/");
    dirs.Add(tree / "gone/");  // scanned first
    EXPECT_EQ(ff.ScanSide(dirs, list), 1);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(ff.ScanDirectory(tree / "gone/", list), 0);
}

TEST_F(ScanTest, StopRequestScansNothing) {
    tree.Write("a.txt", "a");
    ff.Stop = 1;
    EXPECT_EQ(ScanRoot(), 0);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ScanTest, ArchiveOptionSwallowsPlainFiles) {
    tree.Write("plain.txt", "not an archive at all");
    tree.Write("sub/notes.exe", "MZ but nothing inside");
    ff.Scan.Lzh = 1;
    ScanRoot();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Groups().empty());

    ff.Scan.Lzh = 0;
    ff.Scan.Zip = 1;
    ScanRoot();
    EXPECT_TRUE(list.Groups().empty());
}

// ---- empty-directory removal ----

class RemoveEmptyTest : public ScanTest {
  protected:
    void RemoveBelowRoot() {
        TDirList roots;
        roots.Add(tree.Path() + "/");
        ff.RemoveEmptyDirectories(roots);
    }
};

TEST_F(RemoveEmptyTest, ChainOfEmptyFoldersGoesInOnePassRootStays) {
    tree.MakeDir("a/b");
    tree.MakeDir("空/もっと/深い");
    RemoveBelowRoot();
    EXPECT_FALSE(test::Exists(tree / "a"));
    EXPECT_FALSE(test::Exists(tree / "空"));
    EXPECT_TRUE(std::filesystem::is_empty(tree.Path())) << "the root itself stays";

    tree.Write("keep/file.txt", "x");
    tree.MakeDir("keep/empty");
    RemoveBelowRoot();
    EXPECT_TRUE(test::Exists(tree / "keep/file.txt"));
    EXPECT_FALSE(test::Exists(tree / "keep/empty"));
}

TEST_F(RemoveEmptyTest, NothingRemovedWithoutSubDirectories) {
    tree.MakeDir("a/b");
    ff.Scan.SubDir = 0;
    RemoveBelowRoot();
    EXPECT_TRUE(test::Exists(tree / "a/b"));
}

TEST_F(RemoveEmptyTest, NestedRootIsNeverRemoved) {
    tree.MakeDir("outer/inner");
    TDirList roots;
    roots.Add(tree / "outer/inner/");
    roots.Add(tree.Path() + "/");
    ff.RemoveEmptyDirectories(roots);
    EXPECT_TRUE(test::Exists(tree / "outer/inner"));
}

TEST_F(RemoveEmptyTest, LinksAndHiddenContentsKeepFolders) {
    TempTree outside;
    outside.MakeDir("target");
    tree.MakeDir("withlink");
    ASSERT_EQ(::symlink((outside / "target").c_str(), (tree / "withlink/l").c_str()), 0);
    tree.MakeDir("withhidden/.secret");
    ff.Scan.SearchAttr = 0x31;
    RemoveBelowRoot();
    EXPECT_TRUE(test::Exists(tree / "withlink/l"));
    EXPECT_TRUE(test::Exists(outside / "target"));
    EXPECT_TRUE(test::Exists(tree / "withhidden/.secret"));

    ff.Scan.SearchAttr = 0x33;
    RemoveBelowRoot();
    EXPECT_FALSE(test::Exists(tree / "withhidden"));
    EXPECT_TRUE(test::Exists(tree / "withlink/l"));
}

}  // namespace
}  // namespace nebu
