// An archive may hold more than its listing shows: a symbolic link (never
// listed) or a damaged tail (the listing stops at the damage). Its listed
// files being found elsewhere does not make it a duplicate: deleting it
// would lose the rest.

#include <gtest/gtest.h>

#include <cstdio>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

const std::string kData = "the only listed file";

struct MoreThanListed {
    const char* label;
    const char* ext;
    void (*make)(const std::string& path);
};

void ZipWithLink(const std::string& path) {
    MakeRawZip(path, {RawZipEntry("data.txt", kData),
                      RawZipEntry("link", "data.txt", std::nullopt, false, false, 0120777)});
}
void LzhWithLink(const std::string& path) {
    MakeRawLzh(path, {RawLzhEntry("data.txt", kData),
                      RawLzhEntry("link", "", std::nullopt, false, "data.txt")});
}
// The second entry's header is cut short: the first is listed and extracts.
void LzhCutShort(const std::string& path) {
    MakeRawLzh(path, {RawLzhEntry("data.txt", kData)});
    const std::size_t firstEnds = ReadFile(path).size() - 1;
    MakeRawLzh(path, {RawLzhEntry("data.txt", kData), RawLzhEntry("lost.txt", "beyond the cut")});
    WriteFile(path, ReadFile(path).substr(0, firstEnds + 12));
}

class ArchiveHoldsMoreTest : public ArchiveJobTest,
                             public ::testing::WithParamInterface<MoreThanListed> {
  protected:
    std::string Archive() const { return D(std::string("more") + GetParam().ext); }
    void SetUp() override {
        ArchiveJobTest::SetUp();
        tree_.MakeDir("src");
        tree_.MakeDir("dst");
        GetParam().make(Archive());
        original_ = ReadFile(Archive());
    }
    std::string original_;
};

TEST_P(ArchiveHoldsMoreTest, ItsEntriesPairButTheArchiveIsNeverWhollyPresent) {
    tree_.Write("src/data.txt", kData);
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);
    EXPECT_EQ(
        LinesContaining(r.log, "が同じです"),
        (std::vector<std::string>{MakeSameLine(S("data.txt"), EntryLabel(Archive(), "data.txt"))}));
    EXPECT_EQ(r.pairs.size(), 1u);
    EXPECT_TRUE(LinesContaining(r.log, "全てファイル").empty());
    EXPECT_TRUE(LinesContaining(r.log, "削除").empty());
    EXPECT_EQ(ReadFile(Archive()), original_);
    EXPECT_TRUE(job_.DeletedArcs.Empty());
}

TEST_P(ArchiveHoldsMoreTest, ItIsNotTheSameAsAnArchiveOfItsListedFiles) {
    MakeZip(S("plain.zip"), {Item("copy.txt", kData)});
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide);
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_EQ(ReadFile(Archive()), original_);
}

TEST_P(ArchiveHoldsMoreTest, AsTheSourceItStillCoversAPlainTarget) {
    // The other way round nothing is lost: the listed file is really in it.
    ASSERT_EQ(::rename(Archive().c_str(), S(std::string("more") + GetParam().ext).c_str()), 0);
    tree_.Write("dst/data.txt", kData);
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kPlainSide);
    EXPECT_EQ(LinesContaining(r.log, "削除しました"),
              (std::vector<std::string>{DeletedLine(D("data.txt"))}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ArchiveHoldsMoreTest,
                         ::testing::Values(MoreThanListed{"ZipWithLink", ".zip", &ZipWithLink},
                                           MoreThanListed{"LzhWithLink", ".lzh", &LzhWithLink},
                                           MoreThanListed{"LzhCutShort", ".lzh", &LzhCutShort}),
                         [](const ::testing::TestParamInfo<MoreThanListed>& info) {
                             return std::string(info.param.label);
                         });

// Two file entries of one name: extracting by that name always yields the
// first, so the second is never really compared.
class SharedEntryNameTest : public ArchiveJobTest {
  protected:
    void SetUp() override {
        ArchiveJobTest::SetUp();
        tree_.MakeDir("src");
        tree_.MakeDir("dst");
        MakeRawZip(D("twice.zip"),
                   {RawZipEntry("same.txt", "first"), RawZipEntry("same.txt", "other")});
        original_ = ReadFile(D("twice.zip"));
    }
    std::string original_;
};

TEST_F(SharedEntryNameTest, TheArchiveIsNeverWhollyPresent) {
    tree_.Write("src/first.txt", "first");
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);
    EXPECT_FALSE(LinesContaining(r.log, "が同じです").empty());
    EXPECT_TRUE(LinesContaining(r.log, "全てファイル").empty());
    EXPECT_EQ(ReadFile(D("twice.zip")), original_);
}

TEST_F(SharedEntryNameTest, TheArchiveIsNotTheSameAsOneHoldingTheFirstTwice) {
    MakeZip(S("first-twice.zip"), {Item("a", "first"), Item("b", "first")});
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide);
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
    EXPECT_EQ(ReadFile(D("twice.zip")), original_);
}

}  // namespace
}  // namespace nebu::test
