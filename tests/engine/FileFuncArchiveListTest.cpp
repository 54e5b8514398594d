#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ScanTestSupport.h"
#include "engine/NebuFileFunc.h"
#include "platform/ArchiverApi.h"
#include "platform/LibraryLoader.h"
#include "support/ArchiveFixtures.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using platform::LibraryLoader;
using test::AllFound;
using test::ArchiveItem;
using test::Found;
using test::TempTree;

// Counting stand-ins for CheckArchive: they answer as the real one does, so
// only the question of whether they were asked changes.
int lzhChecks = 0;
int zipChecks = 0;
platform::ArchiverCheckArchiveFn realLzhCheck = nullptr;
platform::ArchiverCheckArchiveFn realZipCheck = nullptr;
bool CountingLzhCheck(const char* path, int mode) {
    ++lzhChecks;
    return realLzhCheck(path, mode);
}
bool CountingZipCheck(const char* path, int mode) {
    ++zipChecks;
    return realZipCheck(path, mode);
}

// FindNext that gives one more entry and then reports an error.
platform::ArchiverFindNextFn realZipFindNext = nullptr;
int findNextCalls = 0;
int FailingZipFindNext(platform::HARC archive, platform::IndividualInfo* info) {
    if (++findNextCalls > 1) return -1;
    return realZipFindNext(archive, info);
}

template <typename Fn>
Fn RealProc(const std::string& library, const std::string& symbol) {
    platform::LibraryHandle* h = LibraryLoader::Builtin().Load(library);
    if (h == nullptr) return nullptr;
    auto fn = reinterpret_cast<Fn>(LibraryLoader::Builtin().GetProc(h, symbol));
    LibraryLoader::Builtin().Free(h);
    return fn;
}

ArchiveItem File(const std::string& name, const std::string& content) {
    return ArchiveItem(name, content);
}

ArchiveItem Dir(const std::string& name) {
    return ArchiveItem(name, {}, ArchiveItem::Directory);
}

std::vector<std::string> EntryNames(const std::vector<Found>& found) {
    std::vector<std::string> names;
    for (const auto& f : found) names.push_back(f.entry);
    std::sort(names.begin(), names.end());
    return names;
}

class ArchiveListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lzhChecks = zipChecks = 0;
        findNextCalls = 0;
    }

    // Made after any fault a test sets up, as the job would load them.
    TNebuFileFunc& FileFunc() {
        if (!ff) {
            ff = std::make_unique<TNebuFileFunc>(loader);
            ff->Scan.Mask = "*;";
        }
        return *ff;
    }

    std::string SampleZip(const std::string& name = "sample.zip") {
        const std::string path = tree / name;
        test::MakeZip(path, {File("a.txt", std::string(10, 'a')), Dir("dir/"),
                             File("dir/a.txt", std::string(20, 'b')),
                             File("日本語/名前.txt", std::string(30, 'c'))});
        return path;
    }

    TempTree tree;
    platform::FaultyLibraryLoader loader;
    std::unique_ptr<TNebuFileFunc> ff;
    TNebuList list;
};

TEST_F(ArchiveListTest, PerEntryRecordsOneForEachFileEntry) {
    const std::string zip = SampleZip();
    auto& f = FileFunc();
    ASSERT_EQ(f.ZipReady, 1);
    f.ArcAsUnit = 0;
    f.ListZipArchive(zip, list);

    auto found = AllFound(list);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(list.Count(), 3);
    // Same name in two folders: two records told apart by their entry text.
    EXPECT_EQ(EntryNames(found),
              (std::vector<std::string>{"a.txt", "dir/a.txt", "日本語/名前.txt"}));
    for (const auto& r : found) {
        EXPECT_EQ(r.path, zip);
        EXPECT_EQ(r.kind, kKindZip);
        EXPECT_TRUE(r.entryNames.empty());
        EXPECT_EQ(r.size, r.entry == "a.txt" ? 10 : r.entry == "dir/a.txt" ? 20 : 30);
    }
}

TEST_F(ArchiveListTest, WholeArchiveRecordCarriesEveryFileEntry) {
    const std::string zip = SampleZip();
    auto& f = FileFunc();
    f.ArcAsUnit = 1;
    f.ListZipArchive(zip, list);

    auto found = AllFound(list);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].size, 60);
    EXPECT_EQ(found[0].path, zip);
    EXPECT_TRUE(found[0].entry.empty());
    EXPECT_EQ(found[0].kind, kKindZip);
    EXPECT_EQ(found[0].entryNames,
              (std::vector<std::string>{"a.txt", "dir/a.txt", "日本語/名前.txt"}));
    EXPECT_EQ(list.Count(), 3);
}

TEST_F(ArchiveListTest, ArchiveOfFoldersOnly) {
    const std::string zip = tree / "folders.zip";
    test::MakeZip(zip, {Dir("d1/"), Dir("d1/d2/")});
    auto& f = FileFunc();
    f.ArcAsUnit = 0;
    f.ListZipArchive(zip, list);
    EXPECT_TRUE(list.Groups().empty());
    EXPECT_EQ(list.Count(), 0);

    f.ArcAsUnit = 1;
    f.ListZipArchive(zip, list);
    auto found = AllFound(list);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].size, 0);
    EXPECT_TRUE(found[0].entryNames.empty());
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ArchiveListTest, LzhEntriesWithJapaneseNames) {
    if (!test::HaveLzhTool()) GTEST_SKIP() << "jlha is not installed";
    const std::string lzh = tree / "書庫.lzh";
    test::MakeLzh(lzh,
                  {File("説明.txt", "hello world"), File("sub/data.bin", std::string(500, 'x'))});
    auto& f = FileFunc();
    ASSERT_EQ(f.LzhReady, 1);
    f.ArcAsUnit = 0;
    f.ListLzhArchive(lzh, list);
    auto found = AllFound(list);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].entry, "説明.txt");
    EXPECT_EQ(found[0].size, 11);
    EXPECT_EQ(found[1].entry, "sub/data.bin");
    EXPECT_EQ(found[1].size, 500);
    EXPECT_EQ(found[0].kind, kKindLzh);
}

TEST_F(ArchiveListTest, NameDecidesKindWithoutAskingEvenUnderTheOtherOption) {
    if (!test::HaveLzhTool()) GTEST_SKIP() << "jlha is not installed";
    realLzhCheck =
        RealProc<platform::ArchiverCheckArchiveFn>(platform::kLhaLibraryName, "UnlhaCheckArchive");
    realZipCheck =
        RealProc<platform::ArchiverCheckArchiveFn>(platform::kZipLibraryName, "UnZipCheckArchive");
    ASSERT_NE(realLzhCheck, nullptr);
    ASSERT_NE(realZipCheck, nullptr);
    loader.OverrideSymbol("UnlhaCheckArchive", reinterpret_cast<void*>(&CountingLzhCheck));
    loader.OverrideSymbol("UnZipCheckArchive", reinterpret_cast<void*>(&CountingZipCheck));

    const std::string lzh = tree / "x.lzh";
    test::MakeLzh(lzh, {File("one.txt", "1")});
    const std::string zip = tree / "Y.ZIP";
    test::MakeZip(zip, {File("two.txt", "22")});

    auto& f = FileFunc();
    f.Scan.Lzh = 0;
    f.Scan.Zip = 1;
    f.DispatchArchive(lzh, list);
    f.Scan.Lzh = 1;
    f.Scan.Zip = 0;
    f.DispatchArchive(zip, list);

    auto found = AllFound(list);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].path, lzh);
    EXPECT_EQ(found[0].kind, kKindLzh);
    EXPECT_EQ(found[1].path, zip);
    EXPECT_EQ(found[1].kind, kKindZip);
    EXPECT_EQ(lzhChecks + zipChecks, 0);

    // Any other name is a question for the side's own libraries only.
    const std::string other = tree / "plain.dat";
    test::WriteFile(other, "nothing");
    f.Scan.Lzh = 0;
    f.Scan.Zip = 1;
    f.DispatchArchive(other, list);
    EXPECT_EQ(lzhChecks, 0);
    EXPECT_EQ(zipChecks, 1);
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(ArchiveListTest, SelfExtractingArchiveListedOnlyUnderItsOwnOption) {
    if (!test::HaveLzhTool()) GTEST_SKIP() << "jlha is not installed";
    const std::string lzh = tree / "inner.lzh";
    test::MakeLzh(lzh, {File("readme.txt", "inside the installer")});
    const std::string exe = tree / "setup.exe";
    test::MakeSfx(exe, lzh);

    auto& f = FileFunc();
    f.Scan.Lzh = 0;
    f.Scan.Zip = 1;
    f.DispatchArchive(exe, list);
    EXPECT_EQ(list.Count(), 0);

    f.Scan.Lzh = 1;
    f.Scan.Zip = 0;
    f.DispatchArchive(exe, list);
    auto found = AllFound(list);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].path, exe);
    EXPECT_EQ(found[0].entry, "readme.txt");
    EXPECT_EQ(found[0].kind, kKindLzh);
}

TEST_F(ArchiveListTest, LibraryThatIsNotReadyIsNeverCalled) {
    const std::string zip = SampleZip();
    const std::string renamed = tree / "sample.bin";
    test::WriteFile(renamed, test::ReadFile(zip));

    // Failed to load: nothing to call at all.
    loader.FailLoad(platform::kZipLibraryName);
    {
        TNebuFileFunc failed(loader);
        EXPECT_EQ(failed.ZipReady, 0);
        EXPECT_FALSE(failed.ZipLibrary().Ready());
        failed.Scan.Zip = 1;
        failed.DispatchArchive(zip, list);
        failed.DispatchArchive(renamed, list);
        EXPECT_TRUE(list.Groups().empty());
    }
    loader.ResetFaults();

    // Loaded but switched off: its entry points stay untouched.
    realZipCheck =
        RealProc<platform::ArchiverCheckArchiveFn>(platform::kZipLibraryName, "UnZipCheckArchive");
    ASSERT_NE(realZipCheck, nullptr);
    loader.OverrideSymbol("UnZipCheckArchive", reinterpret_cast<void*>(&CountingZipCheck));
    auto& f = FileFunc();
    f.ZipReady = 0;
    f.Scan.Zip = 1;
    f.DispatchArchive(zip, list);
    f.DispatchArchive(renamed, list);
    EXPECT_EQ(zipChecks, 0);
    EXPECT_TRUE(list.Groups().empty());
}

TEST_F(ArchiveListTest, ListingErrorKeepsWhatWasListed) {
    realZipFindNext =
        RealProc<platform::ArchiverFindNextFn>(platform::kZipLibraryName, "UnZipFindNext");
    ASSERT_NE(realZipFindNext, nullptr);
    loader.OverrideSymbol("UnZipFindNext", reinterpret_cast<void*>(&FailingZipFindNext));
    const std::string zip = tree / "three.zip";
    test::MakeZip(zip, {File("1.txt", "1"), File("2.txt", "22"), File("3.txt", "333")});

    auto& f = FileFunc();
    f.ArcAsUnit = 0;
    f.ListZipArchive(zip, list);
    EXPECT_EQ(list.Count(), 2);

    list.Clear();
    findNextCalls = 0;
    f.ArcAsUnit = 1;
    f.ListZipArchive(zip, list);
    auto found = AllFound(list);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].entryNames.size(), 2u);
    EXPECT_EQ(found[0].size, 3);
}

TEST_F(ArchiveListTest, UnreadableArchiveContributesNothing) {
    const std::string bad = tree / "broken.zip";
    test::MakeGarbage(bad);
    auto& f = FileFunc();
    f.ArcAsUnit = 0;
    f.Scan.Zip = 1;
    f.DispatchArchive(bad, list);
    f.DispatchArchive(tree / "missing.zip", list);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Groups().empty());
}

TEST_F(ArchiveListTest, ScanHandsArchivesToTheListingOutsideTheSizeRange) {
    SampleZip("top.zip");
    test::WriteFile(tree / "plain.txt", "plain");
    auto& f = FileFunc();
    f.Scan.Zip = 1;
    f.Scan.SubDir = 1;
    f.Scan.SizeMin = 1000;
    f.Scan.SizeMax = 2000;
    tree.MakeDir("sub");
    test::MakeZip(tree / "sub/inner.zip", {File("deep.txt", std::string(5000, 'd'))});
    TDirList dirs;
    dirs.Add(tree.Path() + "/");
    f.ScanSide(dirs, list);

    auto found = AllFound(list);
    ASSERT_EQ(found.size(), 4u);
    for (const auto& r : found) EXPECT_EQ(r.kind, kKindZip);
    EXPECT_EQ(found.back().entry, "deep.txt");
    EXPECT_EQ(found.back().size, 5000);
    EXPECT_EQ(found.back().path, tree / "sub/inner.zip");
}

}  // namespace
}  // namespace nebu
