#include <gtest/gtest.h>

#include <string>

#include "engine/NebuList.h"
#include "report/DiffList.h"

namespace nebu {
namespace {

void Add(TNebuList& list, std::int64_t size, const std::string& path,
         const std::string& entry = {}) {
    NebuRec rec;
    rec.Size = size;
    rec.Path = path;
    rec.Entry = entry;
    rec.Kind = entry.empty() ? kKindPlain : kKindZip;
    list.AddSorted(rec);
}

// Marks the first alive file with this path, as a comparison mode would.
void Mark(TNebuList& list, const std::string& path, bool removed) {
    NebuRec rec;
    for (bool more = list.FirstFile(rec); more; more = list.NextFile(rec)) {
        if (rec.Path != path) continue;
        ASSERT_TRUE(removed ? list.MarkRemoved() : list.MarkMatched());
        return;
    }
    FAIL() << path << " not in the list";
}

TEST(SizeText, RoundsUpToKilobytesWithThousandsCommas) {
    EXPECT_EQ(SizeText(0), "0KB");
    EXPECT_EQ(SizeText(1), "1KB");
    EXPECT_EQ(SizeText(1024), "1KB");
    EXPECT_EQ(SizeText(1025), "2KB");
    EXPECT_EQ(SizeText(999 * 1024), "999KB");
    EXPECT_EQ(SizeText(1000 * 1024), "1,000KB");
    EXPECT_EQ(SizeText(1048576), "1,024KB");
    EXPECT_EQ(SizeText(999999999), "976,563KB");
    EXPECT_EQ(SizeText(std::int64_t{1} << 40), "1,073,741,824KB");
}

TEST(SameRow, PutsTheTargetFirstAndMarksMutualPairs) {
    const SamePairRec pair{"src.txt", "/s", "dst.txt", "/d", 2048, 1};
    EXPECT_EQ(MakeSameRow(pair), (SameRow{"dst.txt", "/d", "2KB", "src.txt", "/s", 0}));
    EXPECT_EQ(MakeSameRow(SamePairRec{"a", "/s", "b", "/d", 0, 0}).Image, 1);
}

TEST(BuildDiffList, NamesDifferingOnlyInAsciiCaseShareARow) {
    TNebuList dst, src;
    Add(dst, 10, "/t/A.TXT");
    Add(src, 20, "/s/a.txt");
    const DiffListResult result = BuildDiffList(dst, src);
    ASSERT_EQ(result.Rows.size(), 1u);
    EXPECT_EQ(result.Rows[0], (DiffRow{"A.TXT", "/t", "1KB", "a.txt", "/s", "1KB"}));
    EXPECT_EQ(result.PageCaption, "違うファイルリスト(1件)");
    EXPECT_EQ(result.Placeholder, "");
}

TEST(BuildDiffList, SecondSourceOfOneNameGetsARowOfItsOwn) {
    TNebuList dst, src;
    Add(dst, 5, "/t/x.dat");
    Add(src, 3000, "/s1/x.dat");
    Add(src, 3000, "/s2/x.dat");  // added later: walked first within its size
    const DiffListResult result = BuildDiffList(dst, src);
    ASSERT_EQ(result.Rows.size(), 2u);
    EXPECT_EQ(result.Rows[0], (DiffRow{"x.dat", "/t", "1KB", "x.dat", "/s2", "3KB"}));
    EXPECT_EQ(result.Rows[1], (DiffRow{"", "", "", "x.dat", "/s1", "3KB"}));
}

TEST(BuildDiffList, TakesOnlyAliveUnmatchedRecordsInWalkOrder) {
    TNebuList dst, src;
    Add(dst, 300, "/t/big");
    Add(dst, 1, "/t/older");
    Add(dst, 1, "/t/newer");
    Add(dst, 50, "/t/matched");
    Add(dst, 50, "/t/deleted");
    Add(dst, 70, "/t/日本語.zip", "dir/中身.txt");
    Mark(dst, "/t/matched", false);
    Mark(dst, "/t/deleted", true);
    Add(src, 50, "/s/matched");
    Mark(src, "/s/matched", false);

    const DiffListResult result = BuildDiffList(dst, src);
    ASSERT_EQ(result.Rows.size(), 4u);
    EXPECT_EQ(result.Rows[0].TargetName, "newer");
    EXPECT_EQ(result.Rows[1].TargetName, "older");
    EXPECT_EQ(result.Rows[2].TargetName, "dir/中身.txt");
    EXPECT_EQ(result.Rows[2].TargetFolder, "/t/日本語.zip");
    EXPECT_EQ(result.Rows[3].TargetName, "big");
    for (const DiffRow& row : result.Rows) EXPECT_EQ(row.SourceName, "");
}

TEST(BuildDiffList, NothingUnmatchedShowsThePlaceholder) {
    TNebuList dst, src;
    const DiffListResult result = BuildDiffList(dst, src);
    EXPECT_TRUE(result.Rows.empty());
    EXPECT_EQ(result.PageCaption, "違うファイルリスト(0件)");
    EXPECT_EQ(result.Placeholder, "違うファイルはありません");
}

TEST(BuildDiffList, StopsAtFiveHundredAndOneRows) {
    TNebuList dst, src;
    for (int i = 0; i < 600; ++i) Add(dst, i, "/t/f" + std::to_string(i));
    Add(src, 0, "/s/f0");
    const DiffListResult result = BuildDiffList(dst, src);
    ASSERT_EQ(result.Rows.size(), 501u);
    EXPECT_EQ(result.Rows.back().TargetName, "f500");
    for (const DiffRow& row : result.Rows) EXPECT_EQ(row.SourceName, "");
    EXPECT_EQ(result.PageCaption, "") << "the caption keeps its start-of-job text";
    EXPECT_EQ(result.Placeholder, "件数が500件を超えているので表示できません");
}

TEST(BuildDiffList, SourcesStillJoinUntilTheLimitIsPassed) {
    TNebuList dst, src;
    for (int i = 0; i < 500; ++i) Add(dst, i, "/t/f" + std::to_string(i));
    Add(src, 1, "/s/only-here");
    Add(src, 2, "/s/F7");
    Add(src, 3, "/s/too-late");
    const DiffListResult result = BuildDiffList(dst, src);
    ASSERT_EQ(result.Rows.size(), 501u);
    EXPECT_EQ(result.Rows[500], (DiffRow{"", "", "", "only-here", "/s", "1KB"}));
    EXPECT_EQ(result.Rows[7].SourceName, "") << "the walk stopped before F7";
    EXPECT_EQ(result.Placeholder, "件数が500件を超えているので表示できません");
}

}  // namespace
}  // namespace nebu
