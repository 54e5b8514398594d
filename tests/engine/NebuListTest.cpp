#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/NebuList.h"

namespace nebu {
namespace {

NebuRec Plain(std::int64_t size, const std::string& path) {
    NebuRec rec;
    rec.Size = size;
    rec.Path = path;
    return rec;
}

NebuRec EntryRec(std::int64_t size, const std::string& archive, const std::string& entry) {
    NebuRec rec = Plain(size, archive);
    rec.Entry = entry;
    rec.Kind = kKindZip;
    return rec;
}

NebuRec WholeArchive(const std::string& archive,
                     const std::vector<std::pair<std::string, std::int64_t>>& entries) {
    NebuRec rec = Plain(0, archive);
    rec.Kind = kKindLzh;
    for (const auto& [name, size] : entries) {
        rec.Entries.Append(name, size);
        rec.Size += size;
    }
    return rec;
}

using Walk = std::vector<std::pair<std::int64_t, std::vector<std::string>>>;

// The group walk as the comparison modes see it: alive files only.
Walk GroupWalk(TNebuList& list) {
    Walk walk;
    std::int64_t size = 0;
    for (bool g = list.FirstGroup(size); g; g = list.NextGroup(size)) {
        walk.push_back({size, {}});
        NebuNameRec rec;
        for (bool f = list.FirstInGroup(rec); f; f = list.NextInGroup(rec)) {
            walk.back().second.push_back(rec.Path);
        }
    }
    return walk;
}

std::vector<std::int32_t> GroupCounts(const TNebuList& list) {
    std::vector<std::int32_t> counts;
    for (const auto& group : list.Groups()) counts.push_back(group.Count);
    return counts;
}

TEST(NebuList, GroupsAscendWithNewestFileFirst) {
    TNebuList list;
    list.AddSorted(Plain(5, "/a/five-1"));
    list.AddSorted(Plain(3, "/a/three"));
    list.AddSorted(Plain(5, "/a/five-2"));
    list.AddSorted(Plain(0, "/a/空"));
    list.AddSorted(Plain(-1, "/a/minus"));
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(GroupCounts(list), (std::vector<std::int32_t>{1, 1, 1, 2}));
    EXPECT_EQ(GroupWalk(list), (Walk{{-1, {"/a/minus"}},
                                     {0, {"/a/空"}},
                                     {3, {"/a/three"}},
                                     {5, {"/a/five-2", "/a/five-1"}}}));

    // Sizes past 32 bits keep their own groups instead of wrapping onto small ones.
    list.AddSorted(Plain((std::int64_t{1} << 32) + 3, "/a/huge"));
    EXPECT_EQ(list.Groups().size(), 5u);
    EXPECT_EQ(list.Groups().back().Size, (std::int64_t{1} << 32) + 3);
}

TEST(NebuList, WholeArchiveCountsItsEntriesAndCopiesThemOut) {
    TNebuList list;
    list.AddSorted(WholeArchive("/x/三つ.lzh", {{"c.txt", 30}, {"a.txt", 10}, {"b.txt", 20}}));
    list.AddSorted(WholeArchive("/x/empty.lzh", {}));
    EXPECT_EQ(list.Count(), 3);
    ASSERT_EQ(list.Groups().size(), 2u);
    EXPECT_EQ(list.Groups()[0].Size, 0);
    EXPECT_EQ(list.Groups()[0].Count, 0);  // a member, but no files to count
    EXPECT_EQ(list.Groups()[1].Count, 3);
    list.AddSorted(Plain(7, "/x/plain"));

    NebuRec rec;
    rec.Entries.Append("stale", 1);
    ASSERT_TRUE(list.FirstFile(rec));
    EXPECT_EQ(rec.Path, "/x/empty.lzh");
    EXPECT_EQ(rec.Entries.Size(), 0u);  // an empty entry list still replaces the old one

    // A plain file has no entry list: the record keeps what it held.
    rec.Entries.Append("kept", 4);
    ASSERT_TRUE(list.NextFile(rec));
    EXPECT_EQ(rec.Path, "/x/plain");
    EXPECT_EQ(rec.Size, 7);
    EXPECT_EQ(rec.Kind, kKindPlain);
    ASSERT_EQ(rec.Entries.Size(), 1u);
    EXPECT_EQ(rec.Entries.Entries()[0].name, "kept");

    ASSERT_TRUE(list.NextFile(rec));
    EXPECT_EQ(rec.Path, "/x/三つ.lzh");
    EXPECT_EQ(rec.Kind, kKindLzh);
    EXPECT_EQ(rec.Size, 60);
    ASSERT_EQ(rec.Entries.Size(), 3u);
    EXPECT_EQ(rec.Entries.Entries()[0].name, "a.txt");
    EXPECT_EQ(rec.Entries.Entries()[2].name, "c.txt");

    // The copy is the record's own: deactivating in it leaves the stored list
    // whole, and every copied entry comes out active again.
    std::int64_t entrySize = 0;
    std::string entryName;
    ASSERT_TRUE(rec.Entries.FirstActive(entrySize, entryName));
    rec.Entries.DeactivateCurrent();
    NebuNameRec again;
    std::int64_t groupSize = 0;
    ASSERT_TRUE(list.FirstGroup(groupSize));
    ASSERT_TRUE(list.NextGroup(groupSize));
    ASSERT_TRUE(list.NextGroup(groupSize));
    ASSERT_EQ(groupSize, 60);
    ASSERT_TRUE(list.FirstInGroup(again));
    EXPECT_EQ(again.Path, "/x/三つ.lzh");
    EXPECT_EQ(again.Entries.Count(), 3);
}

TEST(NebuList, RemovedFilesLeaveWalksButKeepGroupAndCount) {
    TNebuList list;
    list.AddSorted(Plain(1, "/s/one"));
    list.AddSorted(Plain(2, "/s/two-a"));
    list.AddSorted(Plain(2, "/s/two-b"));
    std::int64_t size = 0;
    NebuNameRec rec;
    ASSERT_TRUE(list.FirstGroup(size));
    ASSERT_TRUE(list.FirstInGroup(rec));
    EXPECT_TRUE(list.MarkRemoved());
    EXPECT_FALSE(list.FirstInGroup(rec));
    EXPECT_FALSE(list.MarkMatched());  // no current file in the emptied group

    ASSERT_TRUE(list.NextGroup(size));
    ASSERT_TRUE(list.FirstInGroup(rec));
    EXPECT_EQ(rec.Path, "/s/two-b");
    EXPECT_TRUE(list.MarkMatched());
    ASSERT_TRUE(list.NextInGroup(rec));
    EXPECT_EQ(rec.Path, "/s/two-a");
    EXPECT_EQ(rec.Matched, 0);
    EXPECT_TRUE(list.MarkRemoved());

    EXPECT_EQ(GroupWalk(list), (Walk{{1, {}}, {2, {"/s/two-b"}}}));
    EXPECT_EQ(list.Count(), 3);
    NebuRec file;
    ASSERT_TRUE(list.FirstFile(file));
    EXPECT_EQ(file.Path, "/s/two-b");
    EXPECT_EQ(file.Matched, 1);
    EXPECT_FALSE(list.NextFile(file));
    EXPECT_FALSE(list.NextFile(file));
}

TEST(NebuList, CopyByAppendingReversesEachGroup) {
    TNebuList source;
    source.AddSorted(Plain(7, "/d/X"));
    source.AddSorted(Plain(7, "/d/Y"));  // stored order {Y, X}
    source.AddSorted(Plain(4, "/d/Z"));
    source.AddSorted(WholeArchive("/d/w.zip", {{"e1", 3}, {"e2", 4}}));

    TNebuList copy;
    NebuRec rec;
    for (bool ok = source.FirstFile(rec); ok; ok = source.NextFile(rec)) copy.AddAppended(rec);
    EXPECT_EQ(GroupWalk(copy), (Walk{{4, {"/d/Z"}}, {7, {"/d/X", "/d/Y", "/d/w.zip"}}}));
    EXPECT_EQ(copy.Count(), source.Count());
    EXPECT_EQ(GroupCounts(copy), (std::vector<std::int32_t>{1, 4}));

    // A size out of order still lands in its own place and never doubles a group.
    copy.AddAppended(Plain(4, "/d/late"));
    copy.AddAppended(Plain(5, "/d/between"));
    EXPECT_EQ(
        GroupWalk(copy),
        (Walk{{4, {"/d/late", "/d/Z"}}, {5, {"/d/between"}}, {7, {"/d/X", "/d/Y", "/d/w.zip"}}}));
}

TEST(NebuList, ProgressSumsVisitedGroups) {
    TNebuList list;
    list.AddSorted(Plain(2, "/p/a"));
    list.AddSorted(Plain(2, "/p/b"));
    list.AddSorted(WholeArchive("/p/c.lzh", {{"1", 1}, {"2", 2}, {"3", 3}}));
    list.AddSorted(Plain(9, "/p/d"));
    std::int64_t size = 0;
    ASSERT_TRUE(list.FirstGroup(size));
    EXPECT_EQ(list.Progress(), 2);
    ASSERT_TRUE(list.NextGroup(size));
    EXPECT_EQ(size, 6);
    EXPECT_EQ(list.Progress(), 5);
    ASSERT_TRUE(list.NextGroup(size));
    EXPECT_EQ(list.Progress(), 6);
    EXPECT_FALSE(list.NextGroup(size));
    EXPECT_EQ(list.Progress(), 6);
    EXPECT_EQ(list.CurrentGroupIndex(), -1);
    EXPECT_FALSE(list.NextGroup(size));
    ASSERT_TRUE(list.FirstGroup(size));
    EXPECT_EQ(list.Progress(), 2);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Progress(), 0);
    EXPECT_FALSE(list.FirstGroup(size));
    NebuRec rec;
    EXPECT_FALSE(list.FirstFile(rec));
    EXPECT_FALSE(list.MarkMatched());
}

TEST(NebuList, ManySizesInAnyOrderMatchAnOrderedReference) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::int64_t> sizes(-50, 5000);
    std::map<std::int64_t, std::vector<std::string>> reference;  // newest first
    TNebuList list;
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t size = sizes(random);
        const std::string path = "/r/ファイル" + std::to_string(i);
        list.AddSorted(Plain(size, path));
        reference[size].insert(reference[size].begin(), path);
        if (i % 997 == 0) {
            // The record just added is the current one, wherever its group went.
            ASSERT_TRUE(list.MarkMatched());
            ASSERT_GE(list.CurrentGroupIndex(), 0);
            EXPECT_EQ(list.Groups()[list.CurrentGroupIndex()].Size, size);
            EXPECT_EQ(list.Groups()[list.CurrentGroupIndex()].Files.back().Matched, 1);
        }
    }
    Walk expected(reference.begin(), reference.end());
    EXPECT_EQ(GroupWalk(list), expected);
    EXPECT_EQ(list.Count(), 20000);
    EXPECT_EQ(list.Progress(), 20000);  // the full walk visited every group
}

TEST(NebuList, NextFullArchiveYieldsEachCompleteArchiveOnce) {
    TNebuList target;
    // "part" has one entry never found; its entries lie on both sides of the
    // other archives' sizes so no order of visiting can hide it.
    target.AddSorted(EntryRec(50, "/t/part.zip", "big"));
    target.AddSorted(EntryRec(1, "/t/part.zip", "small"));
    target.AddSorted(EntryRec(20, "/t/part.zip", "missing"));
    target.AddSorted(EntryRec(30, "/t/全部.zip", "x"));
    target.AddSorted(EntryRec(10, "/t/全部.zip", "y"));
    target.AddSorted(EntryRec(5, "/t/gone.zip", "z"));
    target.AddSorted(EntryRec(60, "/t/late.zip", "only"));

    NebuRec rec;
    for (bool ok = target.FirstFile(rec); ok; ok = target.NextFile(rec)) {
        if (rec.Entry == "missing") continue;
        target.MarkMatched();
        if (rec.Path == "/t/gone.zip") target.MarkRemoved();  // taken out: not an archive to offer
    }

    std::vector<std::string> yielded;
    std::string path;
    while (target.NextFullArchive(path)) yielded.push_back(path);
    EXPECT_EQ(yielded, (std::vector<std::string>{"/t/全部.zip", "/t/late.zip"}));
    EXPECT_FALSE(target.NextFullArchive(path));

    // Consumed: only the unmatched entry is still alive.
    std::vector<std::string> alive;
    for (bool ok = target.FirstFile(rec); ok; ok = target.NextFile(rec)) alive.push_back(rec.Entry);
    EXPECT_EQ(alive, (std::vector<std::string>{"missing"}));
    EXPECT_EQ(target.Count(), 7);
}

}  // namespace
}  // namespace nebu
