#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/NebuFileFunc.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using test::RandomBytes;
using test::TempTree;

int OpenDescriptorCount() {
    int count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (readdir(dir) != nullptr) ++count;
    ::closedir(dir);
    return count;
}

std::string WithByteFlipped(std::string text, std::size_t pos) {
    text[pos] = static_cast<char>(text[pos] ^ 0x5A);
    return text;
}

class CompareContentsTest : public ::testing::Test {
  protected:
    TempTree tree;
    TNebuFileFunc ff;
};

TEST_F(CompareContentsTest, EqualSizedFilesAreSameOnlyWhenEveryByteIsEqual) {
    const std::string a = tree.Write("元/写真.jpg", "identical contents");
    const std::string b = tree.Write("先/写真.jpg", "identical contents");
    const std::string c = tree.Write("先/other.jpg", "identical_contents");
    EXPECT_TRUE(ff.SameContents(a, b));
    EXPECT_TRUE(ff.SameContents(b, a));
    EXPECT_FALSE(ff.SameContents(a, c));
    EXPECT_TRUE(ff.SameContents(tree.Write("a/empty", ""), tree.Write("b/empty", "")));
}

// Sizes around the growing chunks (1024, 4096, 16384, 65536...), with a
// difference at the start, the middle and the very last byte.
TEST_F(CompareContentsTest, FindsADifferenceAnywhereAcrossChunkBoundaries) {
    const std::vector<std::size_t> sizes = {1,     1023,  1024,  1025,  5120,   5121,
                                            21504, 21505, 87040, 87041, 100000, 152577};
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string content = RandomBytes(size, static_cast<std::uint32_t>(size));
        const std::string a = tree.Write("a/" + std::to_string(size), content);
        const std::string b = tree.Write("b/" + std::to_string(size), content);
        EXPECT_TRUE(ff.SameContents(a, b));
        for (const std::size_t pos : {std::size_t{0}, size / 2, size - 1}) {
            SCOPED_TRACE(pos);
            const std::string c =
                tree.Write("c/" + std::to_string(size), WithByteFlipped(content, pos));
            EXPECT_FALSE(ff.SameContents(a, c));
            EXPECT_FALSE(ff.SameContents(c, a));
        }
    }
}

TEST_F(CompareContentsTest, ALongerFileWithTheSameBeginningIsDifferentOnEitherSide) {
    const std::string content = RandomBytes(70000, 7);
    const std::string shorter = tree.Write("a/short", content);
    const std::string longer = tree.Write("b/long", content + "x");
    EXPECT_FALSE(ff.SameContents(longer, shorter));
    EXPECT_FALSE(ff.SameContents(shorter, longer));
}

// The protection of the last copy: one file under two names is never a pair.
TEST_F(CompareContentsTest, OneFileReachedByTwoPathsIsNeverSame) {
    const std::string file = tree.Write("dir/データ.bin", RandomBytes(5000, 1));
    const std::string hardLink = tree / "other/データ.bin";
    test::MakeDirs(tree / "other");
    ASSERT_EQ(::link(file.c_str(), hardLink.c_str()), 0);
    EXPECT_FALSE(ff.SameContents(file, hardLink));
    EXPECT_FALSE(ff.SameContents(hardLink, file));

    // The same folder under a second name, no link involved.
    tree.MakeDir("dir/sub");
    const std::string secondName = tree / "dir/sub/../データ.bin";
    EXPECT_FALSE(ff.SameContents(file, secondName));
    EXPECT_FALSE(ff.SameContents(file, file));
    EXPECT_FALSE(ff.UnchangedSinceCompared(file));
}

TEST_F(CompareContentsTest, WhatCannotBeReadAsARegularFileIsDifferent) {
    const std::string a = tree.Write("a/file", "content");
    const std::string b = tree.Write("b/file", "content");
    EXPECT_FALSE(ff.SameContents(a, tree / "b/missing"));
    EXPECT_FALSE(ff.SameContents(tree / "a/missing", b));

    // A link to an identical file: the scan never takes links, and a name
    // that became one since is not trusted.
    const std::string link = tree / "b/link";
    ASSERT_EQ(::symlink(b.c_str(), link.c_str()), 0);
    EXPECT_FALSE(ff.SameContents(a, link));

    // A FIFO must neither hang nor count as a file.
    const std::string fifo = tree / "b/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ff.SameContents(a, fifo));
    EXPECT_FALSE(ff.SameContents(tree.MakeDir("a/dir"), tree.MakeDir("b/dir")));
}

TEST_F(CompareContentsTest, UnreadableFileIsDifferent) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const std::string a = tree.Write("a/file", "content");
    const std::string b = tree.Write("b/file", "content");
    ASSERT_EQ(::chmod(b.c_str(), 0), 0);
    EXPECT_FALSE(ff.SameContents(a, b));
    EXPECT_FALSE(ff.SameContents(b, a));
}

TEST_F(CompareContentsTest, NoDescriptorIsLeftOpenOnAnyPath) {
    const std::string content = RandomBytes(30000, 3);
    const std::string a = tree.Write("a/file", content);
    const std::string b = tree.Write("b/file", content);
    const std::string c = tree.Write("c/file", WithByteFlipped(content, 29999));
    const std::string d = tree.Write("d/file", content + "tail");
    const std::string fifo = tree / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string dir = tree.MakeDir("dir");

    const int before = OpenDescriptorCount();
    ASSERT_GT(before, 0);
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(ff.SameContents(a, b));
        EXPECT_FALSE(ff.SameContents(a, c));
        EXPECT_FALSE(ff.SameContents(a, d));
        EXPECT_FALSE(ff.SameContents(a, tree / "missing"));
        EXPECT_FALSE(ff.SameContents(tree / "missing", a));
        EXPECT_FALSE(ff.SameContents(a, fifo));
        EXPECT_FALSE(ff.SameContents(dir, a));
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(CompareContentsTest, RemembersBothFilesOnlyWhenTheyAreSame) {
    const std::string a = tree.Write("a/file", "same bytes");
    const std::string b = tree.Write("b/file", "same bytes");
    const std::string c = tree.Write("c/file", "other byte");
    EXPECT_FALSE(ff.SameContents(a, c));
    EXPECT_FALSE(ff.UnchangedSinceCompared(a));
    EXPECT_FALSE(ff.UnchangedSinceCompared(c));

    ASSERT_TRUE(ff.SameContents(a, b));
    EXPECT_TRUE(ff.UnchangedSinceCompared(a));
    EXPECT_TRUE(ff.UnchangedSinceCompared(b));

    ff.ForgetIdentities();
    EXPECT_FALSE(ff.UnchangedSinceCompared(a));
    EXPECT_FALSE(ff.UnchangedSinceCompared(b));
}

}  // namespace
}  // namespace nebu
