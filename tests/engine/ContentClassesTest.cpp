// Classes of identical bytes: two files share a class exactly when their
// bytes are the same, whichever way the group is read (side by side, split
// by hashes first, or against one member per class), and a file is never
// the same as itself under another name.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/ContentClasses.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

class ContentClassesTest : public ::testing::Test {
  protected:
    std::string Write(const std::string& rel, const std::string& content) {
        return tree_.Write(rel, content);
    }

    // Two files share a class exactly when their bytes are equal, and are
    // Same exactly then (no hard links among them).
    void ExpectClassesFollowContents(const std::vector<std::string>& paths,
                                     const std::map<std::string, std::string>& contents) {
        int failures = 0;
        for (std::size_t i = 0; i < paths.size() && failures < 10; ++i) {
            const auto& a = paths[i];
            ASSERT_GE(classes_.ClassOf(a), 0) << a;
            for (std::size_t j = i + 1; j < paths.size(); ++j) {
                const auto& b = paths[j];
                const bool equal = contents.at(a) == contents.at(b);
                if ((classes_.ClassOf(a) == classes_.ClassOf(b)) != equal ||
                    classes_.Same(a, b) != equal || classes_.Same(b, a) != equal) {
                    ADD_FAILURE() << a << " and " << b << ": bytes equal " << equal;
                    if (++failures >= 10) break;
                }
            }
        }
    }

    TempTree tree_;
    ContentClasses classes_;
};

TEST_F(ContentClassesTest, EqualFilesShareAClassAndUnequalOnesDoNot) {
    const std::string photo = RandomBytes(5000, 1);
    std::string otherFirstByte = photo;
    otherFirstByte[0] ^= 1;
    const std::string a = Write("写真/夏.jpg", photo);
    const std::string b = Write("コピー/夏のコピー.jpg", photo);
    const std::string c = Write("別.jpg", RandomBytes(5000, 2));
    const std::string d = Write("先頭だけ違う.jpg", otherFirstByte);
    classes_.Build({a, b, c, d, a});  // a path given twice counts once

    EXPECT_TRUE(classes_.Same(a, b));
    EXPECT_TRUE(classes_.Same(b, a));
    EXPECT_FALSE(classes_.Same(a, c));
    EXPECT_FALSE(classes_.Same(a, d));
    EXPECT_FALSE(classes_.Same(c, d));
    EXPECT_FALSE(classes_.Same(a, a)) << "a file is not a duplicate of itself";
    EXPECT_EQ(classes_.ClassOf(a), classes_.ClassOf(b));
    EXPECT_NE(classes_.ClassOf(a), classes_.ClassOf(c));
    EXPECT_GE(classes_.ClassOf(c), 0);
    ASSERT_TRUE(classes_.IdentityOf(a));
    EXPECT_EQ(classes_.IdentityOf(a)->size, 5000);
    EXPECT_FALSE(classes_.Same(a, tree_ / "unknown"));
}

TEST_F(ContentClassesTest, ADifferenceAnywhereSeparatesEvenAtChunkEdges) {
    // Sizes around the reading chunks (1, 4, 16 and 64 KiB, in that order).
    for (std::size_t size : {1u, 1023u, 1024u, 1025u, 21504u, 87040u, 87041u, 300000u}) {
        SCOPED_TRACE(size);
        classes_.Clear();
        const std::string base = RandomBytes(size, static_cast<std::uint32_t>(size));
        std::map<std::string, std::string> contents;
        auto add = [&](const std::string& name, std::string content) {
            const std::string path = Write(std::to_string(size) + "/" + name, content);
            contents[path] = std::move(content);
            return path;
        };
        add("元.bin", base);
        add("同じ.bin", base);
        for (std::size_t at : {size - 1, std::size_t{0}, size / 2}) {
            std::string v = base;
            v[at] = static_cast<char>(v[at] ^ 0x40);
            add("違う_" + std::to_string(at) + ".bin", v);
        }
        std::vector<std::string> paths;
        for (const auto& [p, c] : contents) paths.push_back(p);
        classes_.Build(paths);
        ExpectClassesFollowContents(paths, contents);
    }
}

TEST_F(ContentClassesTest, EmptyFilesAreAllTheSame) {
    const std::string a = Write("空/a", "");
    const std::string b = Write("空/ｂ", "");
    const std::string c = Write("空/ç", "");
    classes_.Build({a, b, c});
    EXPECT_TRUE(classes_.Same(a, b));
    EXPECT_TRUE(classes_.Same(b, c));
    EXPECT_TRUE(classes_.Same(a, c));
}

TEST_F(ContentClassesTest, ACommonPrefixOfAnotherLengthIsDifferent) {
    // Read side by side...
    const std::string shortOne = Write("短い.txt", "abc");
    const std::string longOne = Write("長い.txt", "abcdef");
    const std::string big = RandomBytes(70000, 3);
    const std::string bigShort = Write("大/短い", big);
    const std::string bigLong = Write("大/長い", big + "x");
    classes_.Build({shortOne, longOne, bigShort, bigLong});
    EXPECT_FALSE(classes_.Same(shortOne, longOne));
    EXPECT_FALSE(classes_.Same(bigShort, bigLong));
    EXPECT_NE(classes_.ClassOf(bigShort), classes_.ClassOf(bigLong));

    // ...and split by hashes first: the first 4 KiB agree for all of them.
    classes_.Clear();
    const std::string prefix = RandomBytes(5000, 4);
    std::vector<std::string> paths;
    std::map<std::string, std::string> contents;
    for (int i = 0; i < 300; ++i) {
        const std::string content = i % 2 ? prefix : prefix + "!";
        paths.push_back(Write("多/" + std::to_string(i), content));
        contents[paths.back()] = content;
    }
    classes_.Build(paths);
    ExpectClassesFollowContents(paths, contents);
}

TEST_F(ContentClassesTest, HardLinksShareAClassButAreNeverTheSame) {
    const std::string content = RandomBytes(3000, 5);
    const std::string a = Write("元/原本.dat", content);
    const std::string h = tree_ / "元/リンク.dat";
    ASSERT_EQ(::link(a.c_str(), h.c_str()), 0);
    const std::string c = Write("先/コピー.dat", content);
    classes_.Build({a, h, c});
    EXPECT_FALSE(classes_.Same(a, h)) << "one file under two names is its only copy";
    EXPECT_FALSE(classes_.Same(h, a));
    EXPECT_TRUE(classes_.Same(a, c));
    EXPECT_TRUE(classes_.Same(h, c));
    EXPECT_EQ(classes_.ClassOf(a), classes_.ClassOf(h));
}

TEST_F(ContentClassesTest, WhatCannotBeReadGetsNoClass) {
    const std::string content = "同じ中身";
    const std::string good = Write("読める.txt", content);
    const std::string copy = Write("読めるコピー.txt", content);
    const std::string missing = tree_ / "ない.txt";
    const std::string link = tree_ / "リンク.txt";
    ASSERT_EQ(::symlink(copy.c_str(), link.c_str()), 0);
    const std::string fifo = tree_ / "管";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string dir = tree_.MakeDir("フォルダ");
    std::vector<std::string> bad = {missing, link, fifo, dir};
    if (::geteuid() != 0) {  // root reads whatever the mode says
        const std::string locked = Write("鍵.txt", content);
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        bad.push_back(locked);
    }
    std::vector<std::string> all = bad;
    all.push_back(good);
    all.push_back(copy);
    classes_.Build(all);

    EXPECT_TRUE(classes_.Same(good, copy));
    for (const auto& path : bad) {
        EXPECT_EQ(classes_.ClassOf(path), -1) << path;
        EXPECT_FALSE(classes_.IdentityOf(path)) << path;
        EXPECT_FALSE(classes_.Same(path, good)) << path;
        EXPECT_FALSE(classes_.Same(copy, path)) << path;
    }
    for (const auto& path : bad) {
        classes_.Add(path);
        EXPECT_EQ(classes_.ClassOf(path), -1) << path;
    }
}

TEST_F(ContentClassesTest, MoreFilesThanABatchAreClassifiedExactly) {
    std::vector<std::string> paths;
    std::map<std::string, std::string> contents;
    auto add = [&](const std::string& rel, const std::string& content) {
        paths.push_back(Write(rel, content));
        contents[paths.back()] = content;
    };
    // Small files: hundreds of copies of one content, many distinct ones and
    // some small classes.
    const std::string common = RandomBytes(64, 6);
    for (int i = 0; i < 300; ++i) add("小/同じ_" + std::to_string(i), common);
    for (int i = 0; i < 200; ++i) add("小/別_" + std::to_string(i), RandomBytes(64, 100 + i));
    for (int i = 0; i < 100; ++i) add("小/組_" + std::to_string(i), RandomBytes(64, 1000 + i % 10));
    const std::string missing = tree_ / "小/ない";
    std::vector<std::string> withMissing = paths;
    withMissing.push_back(missing);
    classes_.Build(withMissing);
    ExpectClassesFollowContents(paths, contents);
    EXPECT_EQ(classes_.ClassOf(missing), -1);

    // Files that agree in their first 4 KiB: copies by the hundred, and
    // variants in the middle of the tail and in the last byte.
    classes_.Clear();
    paths.clear();
    contents.clear();
    const std::string base = RandomBytes(5000, 7);
    for (int i = 0; i < 280; ++i) add("大/同じ_" + std::to_string(i), base);
    for (int i = 0; i < 30; ++i) {
        std::string v = base;
        v[i % 3 == 0 ? 4999 : 4096 + i] ^= 0x22;
        add("大/違う_" + std::to_string(i), v);
    }
    classes_.Build(paths);
    ExpectClassesFollowContents(paths, contents);
}

TEST_F(ContentClassesTest, AddedFilesJoinTheirClassOrStartOne) {
    const std::string photo = RandomBytes(9000, 8);
    const std::string a = Write("先/a.jpg", photo);
    const std::string b = Write("先/b.jpg", photo);
    const std::string c = Write("先/c.jpg", RandomBytes(9000, 9));
    classes_.Build({a, b, c});

    const std::string x = Write("作業/x.jpg", photo);
    classes_.Add(x);
    EXPECT_EQ(classes_.ClassOf(x), classes_.ClassOf(a));
    EXPECT_TRUE(classes_.Same(x, a));
    EXPECT_TRUE(classes_.Same(x, b));
    EXPECT_FALSE(classes_.Same(x, c));

    // New bytes: a class of its own, which a later copy joins.
    std::string tail = photo;
    tail[8999] ^= 1;
    const std::string y = Write("作業/y.jpg", tail);
    classes_.Add(y);
    EXPECT_GE(classes_.ClassOf(y), 0);
    EXPECT_NE(classes_.ClassOf(y), classes_.ClassOf(a));
    EXPECT_NE(classes_.ClassOf(y), classes_.ClassOf(c));
    const std::string z = Write("作業/z.jpg", tail);
    classes_.Add(z);
    EXPECT_TRUE(classes_.Same(y, z));

    // Same first bytes, one byte longer.
    const std::string longer = Write("作業/長い.jpg", photo + "!");
    classes_.Add(longer);
    EXPECT_GE(classes_.ClassOf(longer), 0);
    EXPECT_FALSE(classes_.Same(longer, a));

    classes_.Add(x);  // known already: nothing changes
    EXPECT_TRUE(classes_.Same(x, a));
    classes_.Add(tree_ / "作業/ない.jpg");
    EXPECT_EQ(classes_.ClassOf(tree_ / "作業/ない.jpg"), -1);
}

// A duplicate may be deleted while its group is still under way; the copies
// left must still be found for every file added afterwards.
TEST_F(ContentClassesTest, AddReachesAClassThroughAnyMemberStillThere) {
    const std::string photo = RandomBytes(6000, 10);
    const std::string first = Write("先/1.jpg", photo);
    const std::string second = Write("先/2.jpg", photo);
    const std::string third = Write("先/3.jpg", photo);
    classes_.Build({first, second, third});
    const std::string early = Write("作業/早い.jpg", photo);
    classes_.Add(early);  // the classes are indexed now
    ASSERT_TRUE(classes_.Same(early, first));

    ASSERT_EQ(::unlink(first.c_str()), 0);
    // The second copy is rewritten in place (same size, other bytes).
    std::string changed = photo;
    changed[0] ^= 1;
    WriteFile(second, changed);
    // File times may be coarser than the test is quick: make the change show.
    const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, second.c_str(), times, 0), 0);
    const std::string late = Write("作業/遅い.jpg", photo);
    classes_.Add(late);
    EXPECT_TRUE(classes_.Same(late, third));
    EXPECT_EQ(classes_.ClassOf(late), classes_.ClassOf(third));

    // With every copy gone the file still gets a class, a new one.
    ASSERT_EQ(::unlink(third.c_str()), 0);
    ASSERT_EQ(::unlink(early.c_str()), 0);
    ASSERT_EQ(::unlink(late.c_str()), 0);
    const std::string last = Write("作業/最後.jpg", photo);
    classes_.Add(last);
    EXPECT_GE(classes_.ClassOf(last), 0);
    EXPECT_NE(classes_.ClassOf(last), classes_.ClassOf(third));
}

TEST_F(ContentClassesTest, AForgottenNameCanBeAddedAgainWithOtherBytes) {
    const std::string photo = RandomBytes(2000, 11);
    const std::string target = Write("先/写真.jpg", photo);
    const std::string extracted = Write("作業/写真.jpg", photo);
    classes_.Build({target});
    classes_.Add(extracted);
    ASSERT_TRUE(classes_.Same(extracted, target));

    classes_.Forget(extracted);
    EXPECT_FALSE(classes_.Knows(extracted));
    EXPECT_FALSE(classes_.Same(extracted, target));
    EXPECT_TRUE(classes_.Knows(target));

    // The next entry extracted under the same name holds other bytes.
    ASSERT_EQ(::unlink(extracted.c_str()), 0);
    WriteFile(extracted, RandomBytes(2000, 12));
    classes_.Add(extracted);
    EXPECT_FALSE(classes_.Same(extracted, target));
    EXPECT_GE(classes_.ClassOf(extracted), 0);

    classes_.Clear();
    EXPECT_FALSE(classes_.Knows(target));
    EXPECT_EQ(classes_.ClassOf(target), -1);
}

// Bytes this process has read so far (rchar counts every read call, from
// the page cache or not).
long long BytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
    return -1;
}

TEST_F(ContentClassesTest, IdenticalBigFilesAreReadAboutOnce) {
    constexpr long long kSize = 2 << 20;
    constexpr int kFiles = 20;
    const std::string content = RandomBytes(kSize, 13);
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) paths.push_back(Write("同じ/" + std::to_string(i), content));

    const long long before = BytesReadSoFar();
    if (before < 0) GTEST_SKIP() << "no /proc/self/io here";
    classes_.Build(paths);
    const long long read = BytesReadSoFar() - before;

    for (const auto& p : paths) EXPECT_TRUE(classes_.Same(paths.front(), p) || p == paths.front());
    // Every byte must have been seen to call them equal, and no more than
    // about once: not once per pair, not twice per file.
    EXPECT_GE(read, kSize * kFiles);
    EXPECT_LE(read, kSize * kFiles * 12 / 10);
}

TEST_F(ContentClassesTest, ManyPairsThatPartLateAreStillClassifiedExactly) {
    // Forty files share a long start and part into twenty different pairs
    // only past it, where chunks are largest: more distinct chunks at once
    // than are kept in memory, so some are read again to be compared.
    const std::string common = RandomBytes(300 << 10, 30);
    std::vector<std::string> paths;
    std::map<std::string, std::string> contents;
    for (int tail = 0; tail < 20; ++tail) {
        const std::string content = common + RandomBytes(70 << 10, 100 + tail);
        for (int copy = 0; copy < 2; ++copy) {
            const std::string path = Write(
                "後半/" + std::to_string(tail) + "_" + std::to_string(copy) + ".bin", content);
            paths.push_back(path);
            contents[path] = content;
        }
    }
    classes_.Build(paths);
    ExpectClassesFollowContents(paths, contents);
}

TEST_F(ContentClassesTest, HeadsOnlySplitAndAnUnknownHeadMeansReadingEverything) {
    const std::string x = RandomBytes(900, 40);
    const std::string y = RandomBytes(900, 41);
    const std::string a = Write("甲/a", x);
    const std::string b = Write("乙/b", x);
    const std::string c = Write("丙/c", y);
    const std::string d = Write("丁/d", y);
    const std::map<std::string, std::string> contents{{a, x}, {b, x}, {c, y}, {d, y}};

    // Heads that put all four together: only bytes join files.
    ContentClasses::Heads same{7, 7, 7, 7};
    classes_.Build({a, b, c, d}, &same);
    ExpectClassesFollowContents({a, b, c, d}, contents);

    // A head unlike the others keeps a file apart without reading it, even
    // when its bytes would have matched: heads come from reading the files.
    classes_.Clear();
    ContentClasses::Heads apart{1, 2, 3, 3};
    classes_.Build({a, b, c, d}, &apart);
    EXPECT_FALSE(classes_.Same(a, b));
    EXPECT_GE(classes_.ClassOf(a), 0);
    EXPECT_TRUE(classes_.Same(c, d));

    // One unknown head and the whole group is read as if there were none.
    classes_.Clear();
    ContentClasses::Heads unknown{1, 2, std::nullopt, 3};
    classes_.Build({a, b, c, d}, &unknown);
    ExpectClassesFollowContents({a, b, c, d}, contents);
}

}  // namespace
}  // namespace nebu::test
