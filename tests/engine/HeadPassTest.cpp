// The pass that reads the start of every file before the groups are
// compared: equal starts give equal heads, and a file that cannot be read as
// the scan found it has no head at all.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/HeadPass.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

struct Asked {
    std::string path;
    std::int64_t size;
    std::uint64_t head = 12345;  // overwritten by Request
};

std::vector<Asked> RunPass(std::vector<Asked> files, std::uint8_t stop = 0) {
    HeadPass pass;
    for (auto& f : files) pass.Request(&f.path, f.size, &f.head);
    std::atomic<std::uint8_t> stopFlag{stop};
    pass.Run(stopFlag);
    return files;
}

TEST(HeadPassTest, EqualStartsGiveEqualHeadsWhateverTheFolder) {
    TempTree tree;
    const std::string small = RandomBytes(700, 1);
    const std::string big = RandomBytes(HeadPass::kHeadBytes + 5000, 2);
    std::string bigOtherTail = big;
    bigOtherTail.back() ^= 1;  // past the head: the head cannot see it
    std::string smallOtherEnd = small;
    smallOtherEnd.back() ^= 1;
    auto files = RunPass({
        {tree.Write("写真/夏.txt", small), 700},
        {tree.Write("b/深い/フォルダ/夏のコピー.txt", small), 700},
        {tree.Write("a/末尾だけ違う.txt", smallOtherEnd), 700},
        {tree.Write("大/1.bin", big), static_cast<std::int64_t>(big.size())},
        {tree.Write("大/2.bin", bigOtherTail), static_cast<std::int64_t>(big.size())},
    });
    for (const auto& f : files) EXPECT_NE(f.head, HeadPass::kNoHead) << f.path;
    EXPECT_EQ(files[0].head, files[1].head);
    EXPECT_NE(files[0].head, files[2].head);
    EXPECT_EQ(files[3].head, files[4].head);
    EXPECT_NE(files[0].head, files[3].head);
}

TEST(HeadPassTest, WhatCannotBeReadAsFoundHasNoHead) {
    TempTree tree;
    const std::string content = RandomBytes(300, 3);
    const std::string shrunk = tree.Write("縮んだ.txt", content.substr(0, 100));
    const std::string gone = tree / "消えた.txt";
    const std::string link = tree / "link.txt";
    const std::string fine = tree.Write("普通.txt", content);
    ASSERT_EQ(::symlink(fine.c_str(), link.c_str()), 0);
    auto files = RunPass({{shrunk, 300}, {gone, 300}, {link, 300}, {fine, 300}});
    EXPECT_EQ(files[0].head, HeadPass::kNoHead);
    EXPECT_EQ(files[1].head, HeadPass::kNoHead);
    EXPECT_EQ(files[2].head, HeadPass::kNoHead) << "a link is never followed";
    EXPECT_NE(files[3].head, HeadPass::kNoHead);
}

TEST(HeadPassTest, AStoppedPassLeavesTheRestWithoutHeads) {
    TempTree tree;
    auto files = RunPass({{tree.Write("a.txt", "abc"), 3}}, 1);
    EXPECT_EQ(files[0].head, HeadPass::kNoHead);
}

}  // namespace
}  // namespace nebu::test
