// Every mode with every kind of archive the tests can write: ZIP by
// libarchive (UTF-8 or Shift-JIS names) and by Info-ZIP, LZH by jlha with
// -lh5-, -lh6- and -lh7-, names in Shift-JIS or UTF-8, solid 7z and tar
// plain or compressed by libarchive, stored RAR 4 written by hand; files in
// nested folders.

#include <gtest/gtest.h>

#include <algorithm>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

class ArchiveKindsTest : public ArchiveJobTest, public ::testing::WithParamInterface<ArchiveMaker> {
  protected:
    void SetUp() override {
        ArchiveJobTest::SetUp();
        tree_.MakeDir("src");
        tree_.MakeDir("dst");
    }
    std::string Name(const std::string& stem) const { return stem + GetParam().ext; }
    void Make(const std::string& path, const std::vector<ArchiveItem>& items) const {
        GetParam().make(path, items);
    }

    const std::string photo_ = Compressible(6000, 'p');
    const std::string memo_ = Compressible(2000, 'm');
    const std::string kEntry = "写真/夏/海.txt";
};

TEST_P(ArchiveKindsTest, SourceEntriesDeleteTheirPlainDuplicates) {
    Make(S(Name("書庫")), {Item(kEntry, photo_), Item("メモ.txt", memo_)});
    const std::string ext = GetParam().ext;
    if (ext == ".zip" || ext == ".lzh" || ext == ".tar" || ext == ".rar") {
        // Names stored in the clear, in the code page intended.
        const std::string bytes = ReadFile(S(Name("書庫")));
        const std::string stored = GetParam().shiftJisNames ? ToCp932("メモ.txt") : "メモ.txt";
        ASSERT_NE(bytes.find(stored), std::string::npos) << "the name is not stored as intended";
    }
    tree_.Write("dst/コピー.txt", photo_);
    tree_.Write("dst/sub/写し.txt", photo_);
    tree_.Write("dst/memo-like.txt", Compressible(2000, 'x'));
    DeleteWithoutAsking();
    RunResult r = Run(kEveryArchiveSide, kPlainSide);
    auto same = LinesContaining(r.log, "が同じです");
    std::sort(same.begin(), same.end());
    const std::string label = EntryLabel(S(Name("書庫")), kEntry);
    EXPECT_EQ(same, (std::vector<std::string>{MakeSameLine(label, D("sub/写し.txt")),
                                              MakeSameLine(label, D("コピー.txt"))}));
    EXPECT_EQ(LinesContaining(r.log, "削除しました").size(), 2u);
    EXPECT_FALSE(Exists(D("コピー.txt")) || Exists(D("sub/写し.txt")));
    EXPECT_TRUE(Exists(D("memo-like.txt")));
}

TEST_P(ArchiveKindsTest, TargetArchiveWhollyFoundIsDeleted) {
    tree_.Write("src/海.txt", photo_);
    tree_.Write("src/別/メモ.txt", memo_);
    Make(D(Name("書庫")), {Item(kEntry, photo_), Item("メモ.txt", memo_)});
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kEveryArchiveSide);
    EXPECT_EQ(r.pairs, (std::vector<SamePairRec>{
                           {"メモ.txt", S("別"), "メモ.txt", D(Name("書庫")), 2000, 0},
                           {"海.txt", tree_ / "src", kEntry, D(Name("書庫")), 6000, 0}}));
    EXPECT_EQ(LinesContaining(r.log, "全てファイル"),
              (std::vector<std::string>{CompleteArchiveLine(D(Name("書庫")))}));
    EXPECT_FALSE(Exists(D(Name("書庫"))));
}

TEST_P(ArchiveKindsTest, EntriesPairWithAZipOfOtherNames) {
    Make(S(Name("書庫")), {Item(kEntry, photo_), Item("メモ.txt", memo_)});
    MakeZip(D("other.zip"), {Item("別の/名前.txt", photo_)});
    RunResult r = Run(kEveryArchiveSide, kEveryArchiveSide, true);
    EXPECT_EQ(r.pairs, (std::vector<SamePairRec>{
                           {kEntry, S(Name("書庫")), "別の/名前.txt", D("other.zip"), 6000, 0}}));
    EXPECT_EQ(
        LinesContaining(r.log, "が同じです"),
        (std::vector<std::string>{MakeSameLine(EntryLabel(S(Name("書庫")), kEntry),
                                               EntryLabel(D("other.zip"), "別の/名前.txt"))}));
}

TEST_P(ArchiveKindsTest, WholeArchivesOfTheSameFilesUnderOtherNamesAreEqual) {
    Make(S(Name("元")), {Item(kEntry, photo_), Item("メモ.txt", memo_)});
    Make(D(Name("先")), {Item("別.txt", photo_), Item("深い/フォルダ/メモ2.txt", memo_)});
    Make(D(Name("違う")), {Item(kEntry, photo_), Item("メモ.txt", Compressible(2000, 'n'))});
    DeleteWithoutAsking();
    RunResult r = Run(kEveryArchiveSide, kEveryArchiveSide);
    EXPECT_EQ(LinesContaining(r.log, "が同じです"),
              (std::vector<std::string>{MakeSameLine(S(Name("元")), D(Name("先")))}));
    EXPECT_FALSE(Exists(D(Name("先"))));
    EXPECT_TRUE(Exists(D(Name("違う"))));
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, ArchiveKindsTest, ::testing::ValuesIn(AllArchiveMakers()),
                         MakerName);

// Self-extracting archives take part by their contents, under the kind the
// library recognises behind the executable stub.
class SelfExtractingTest : public ArchiveJobTest {
  protected:
    void SetUp() override {
        ArchiveJobTest::SetUp();
        tree_.MakeDir("src");
        tree_.MakeDir("dst");
        tree_.MakeDir("build");
    }
    static constexpr SideKind kWithSfx{true, true, true};
    const std::string data_ = Compressible(3000, 'e');
};

TEST_F(SelfExtractingTest, EntriesOfASourceExecutableDeleteTheirDuplicates) {
    MakeLzh(tree_ / "build/a.lzh", {Item("中身/data.txt", data_)});
    MakeSfx(S("setup.exe"), tree_ / "build/a.lzh");
    tree_.Write("dst/data.txt", data_);
    DeleteWithoutAsking();
    RunResult r = Run(kWithSfx, kPlainSide);
    EXPECT_EQ(LinesContaining(r.log, "が同じです"),
              (std::vector<std::string>{
                  MakeSameLine(EntryLabel(S("setup.exe"), "中身/data.txt"), D("data.txt"))}));
    EXPECT_FALSE(Exists(D("data.txt")));
}

TEST_F(SelfExtractingTest, ATargetExecutableWhollyFoundIsDeleted) {
    MakeZip(tree_ / "build/a.zip", {Item("data.txt", data_)});
    MakeSfx(D("setup.exe"), tree_ / "build/a.zip");
    tree_.Write("src/data.txt", data_);
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kWithSfx);
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("setup.exe"))}));
    EXPECT_FALSE(Exists(D("setup.exe")));
}

TEST_F(SelfExtractingTest, AnExecutableAndAnArchiveOfTheSameFilesAreEqual) {
    MakeLzh(tree_ / "build/a.lzh", {Item("data.txt", data_)});
    MakeSfx(S("setup.exe"), tree_ / "build/a.lzh");
    MakeZip(D("copy.zip"), {Item("other.txt", data_)});
    DeleteWithoutAsking();
    RunResult r = Run(kWithSfx, kWithSfx);
    EXPECT_EQ(LinesContaining(r.log, "が同じです"),
              (std::vector<std::string>{MakeSameLine(S("setup.exe"), D("copy.zip"))}));
    EXPECT_FALSE(Exists(D("copy.zip")));
}

}  // namespace
}  // namespace nebu::test
