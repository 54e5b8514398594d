// Entries that share a name in one archive are different entries: each is
// compared with its own bytes. And an archive whose path holds a double
// quote is read like any other.

#include <gtest/gtest.h>

#include "ArchiveJobFixture.h"
#include "engine/NebuFileFunc.h"

namespace nebu::test {
namespace {

class SameNamedEntriesTest : public ArchiveJobTest {
  protected:
    void SetUp() override {
        ArchiveJobTest::SetUp();
        tree_.MakeDir("src");
        tree_.MakeDir("dst");
    }
    static std::vector<RawZipEntry> Twice(const std::string& first, const std::string& second) {
        return {RawZipEntry("同じ名前.txt", first), RawZipEntry("同じ名前.txt", second)};
    }
};

TEST_F(SameNamedEntriesTest, TheSecondEntryIsNotComparedWithTheFirstOnesBytes) {
    tree_.Write("src/first.txt", "first");
    MakeRawZip(D("twice.zip"), Twice("first", "fir5t"));
    RunResult r = Run(kPlainSide, kArchiveSide);
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 1u);
    EXPECT_EQ(r.pairs.size(), 1u);
    EXPECT_TRUE(LinesContaining(r.log, "全てファイル").empty());
}

TEST_F(SameNamedEntriesTest, EachTargetEntryIsFoundByItsOwnBytes) {
    tree_.Write("src/first.txt", "first");
    tree_.Write("src/other.txt", "other");
    MakeRawZip(D("twice.zip"), Twice("first", "other"));
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 2u);
    // Both entries were really compared, so the archive is wholly present.
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("twice.zip"))}));
}

TEST_F(SameNamedEntriesTest, EachSourceEntryIsExtractedWithItsOwnBytes) {
    MakeRawZip(S("twice.zip"), Twice("first", "other"));
    tree_.Write("dst/copy.txt", "other");
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kPlainSide);
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("copy.txt"))}));
}

TEST_F(SameNamedEntriesTest, EntryAgainstEntryTellsThemApart) {
    MakeRawZip(S("twice.zip"), Twice("first", "other"));
    MakeZip(D("one.zip"), {Item("one.txt", "other")});
    RunResult r = Run(kArchiveSide, kArchiveSide, true);
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].folder1, S("twice.zip"));
    EXPECT_EQ(r.pairs[0].name2, "one.txt");
}

TEST_F(SameNamedEntriesTest, WholeArchivesMatchEntryByEntry) {
    MakeZip(S("s.zip"), {Item("a", "first"), Item("b", "other")});
    MakeRawZip(D("twice.zip"), Twice("first", "other"));
    MakeRawZip(D("first-twice.zip"), Twice("first", "first"));
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide);
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("twice.zip"))}));
    EXPECT_TRUE(Exists(D("first-twice.zip")));
}

TEST_F(SameNamedEntriesTest, AnArchivePathWithADoubleQuoteExtracts) {
    const std::string data = RandomBytes(700, 3);
    tree_.Write("src/photo.jpg", data);
    MakeZip(D("my \"best\" 写真.zip"), {Item("photo.jpg", data)});
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);
    EXPECT_TRUE(host_.questions.empty());
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("my \"best\" 写真.zip"))}));

    // One entry on its own, through the library's command line.
    const std::string zip = tree_.MakeDir("\"quoted\" and blank") + "/a \"b\".zip";
    MakeZip(zip, {Item("x.txt", "x")});
    TNebuFileFunc ff;
    ff.Host = &host_;
    ASSERT_TRUE(ff.CreateWorkFolders());
    const std::string x = ff.ExtractEntry(zip, "x.txt", 0, kKindZip);
    EXPECT_EQ(x, ff.TempDir[0] + "x.txt");
    EXPECT_TRUE(host_.questions.empty());
    ff.DeleteExtracted(x);
    ff.RemoveWorkFolders();
}

}  // namespace
}  // namespace nebu::test
