#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/NebuFileFunc.h"
#include "engine/NebuRecords.h"
#include "platform/ArchiverCommand.h"
#include "platform/LibraryLoader.h"
#include "support/ArchiveFixtures.h"
#include "support/ScriptedHost.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using platform::LibraryLoader;
using test::ArchiveItem;
using test::Exists;
using test::RandomBytes;
using test::ReadFile;
using test::TempTree;

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

std::string FailureQuestion(const std::string& archive) {
    return "圧縮ファイル｢" + archive + "｣の解凍にしっぱいしちゃった。\n作業を続けますか?";
}

class ExtractTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ff = std::make_unique<TNebuFileFunc>();
        ff->Host = &host;
        ff->TempDir[0] = tree.MakeDir("nb0a1b2.tmp") + "/";
        ff->TempDir[1] = tree.MakeDir("nb1c3d4.tmp") + "/";
    }
    TempTree tree;
    platform::FaultyLibraryLoader loader;
    test::ScriptedHost host;
    std::unique_ptr<TNebuFileFunc> ff;
    const std::string photo = RandomBytes(70000, 11);
};

TEST_F(ExtractTest, ZipEntryIsExtractedByteExactAsTheOnlyFileOfItsSlot) {
    ASSERT_TRUE(ff->ZipLibrary().Ready());
    ff->TempDir[0] = tree.MakeDir("tmp dir/nb0ffff.tmp") + "/";  // a blank in the folder too
    const std::string zip = tree / "アーカイブ 1.zip";
    test::MakeZip(zip, {{"フォルダ/写真.jpg", photo}, {"readme.txt", "hello"}});

    const std::string x = ff->ExtractEntry(zip, "フォルダ/写真.jpg", 0, kKindZip);
    EXPECT_EQ(x, ff->TempDir[0] + "写真.jpg");
    EXPECT_EQ(ReadFile(x), photo);
    EXPECT_EQ(FilesIn(ff->TempDir[0]), std::vector<std::string>{"写真.jpg"});
    EXPECT_TRUE(FilesIn(ff->TempDir[1]).empty());
    EXPECT_TRUE(host.questions.empty());

    ff->DeleteExtracted(x);
    EXPECT_TRUE(FilesIn(ff->TempDir[0]).empty());
}

TEST_F(ExtractTest, LzhEntryIsExtractedByteExactIntoTheSecondSlot) {
    if (!test::HaveLzhTool()) GTEST_SKIP() << "no LHA archiver";
    ASSERT_TRUE(ff->LzhLibrary().Ready());
    const std::string lzh = tree / "古い 書類.lzh";
    test::MakeLzh(lzh, {{"文書/議事録.txt", "議事録の内容"}, {"photo.jpg", photo}});

    const std::string x1 = ff->ExtractEntry(lzh, "photo.jpg", 1, kKindLzh);
    EXPECT_EQ(x1, ff->TempDir[1] + "photo.jpg");
    EXPECT_EQ(ReadFile(x1), photo);
    ff->DeleteExtracted(x1);

    const std::string x2 = ff->ExtractEntry(lzh, "文書/議事録.txt", 1, kKindLzh);
    EXPECT_EQ(x2, ff->TempDir[1] + "議事録.txt");
    EXPECT_EQ(ReadFile(x2), "議事録の内容");
    EXPECT_EQ(FilesIn(ff->TempDir[1]), std::vector<std::string>{"議事録.txt"});
    EXPECT_TRUE(FilesIn(ff->TempDir[0]).empty());
    EXPECT_TRUE(host.questions.empty());
}

// An entry stored read-only must still be deletable by the caller.
TEST_F(ExtractTest, TheTakenFileIsMadeReadableAndWritableByItsOwner) {
    const std::string locked = ff->TempDir[0] + "読み取り専用.txt";
    test::WriteFile(locked, "locked");
    ASSERT_EQ(::chmod(locked.c_str(), 0400), 0);
    EXPECT_EQ(ff->TakeExtractedFile(0), locked);
    struct stat st;
    ASSERT_EQ(::stat(locked.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(ff->TakeExtractedFile(1), "");
}

// Something an earlier extraction left in the folder must not pass for the
// entry extracted now.
TEST_F(ExtractTest, ALeftoverFileInTheSlotIsNeverTakenForTheEntry) {
    const std::string zip = tree / "a.zip";
    test::MakeZip(zip, {{"b.txt", "entry"}});
    test::WriteFile(ff->TempDir[0] + "a-stale.txt", "stale");
    const std::string x = ff->ExtractEntry(zip, "b.txt", 0, kKindZip);
    EXPECT_EQ(x, ff->TempDir[0] + "b.txt");
    EXPECT_EQ(FilesIn(ff->TempDir[0]), std::vector<std::string>{"b.txt"});

    // A slot that points at anything but a work folder is never emptied.
    ff->TempDir[1] = tree.MakeDir("書類") + "/";
    const std::string users = tree.Write("書類/大事.txt", "the user's");
    ff->ExtractEntry(zip, "b.txt", 1, kKindZip);
    EXPECT_EQ(ReadFile(users), "the user's");
}

int g_commandCalls = 0;
int CountingCommand(platform::HWND, const char*, char*, std::uint32_t) {
    ++g_commandCalls;
    return 0;
}

TEST_F(ExtractTest, NothingIsCalledForAnEmptyEntryNameOrAnUnusableLibrary) {
    g_commandCalls = 0;
    loader.OverrideSymbol("UnZip", reinterpret_cast<void*>(&CountingCommand));
    loader.OverrideSymbol("Unlha", reinterpret_cast<void*>(&CountingCommand));
    TNebuFileFunc counted(loader);
    counted.TempDir[0] = ff->TempDir[0];
    ASSERT_TRUE(counted.ZipLibrary().Ready());
    EXPECT_EQ(counted.ExtractEntry(tree / "a.zip", "", 0, kKindZip), "");
    EXPECT_EQ(counted.ExtractEntry(tree / "a.lzh", "", 0, kKindLzh), "");
    EXPECT_EQ(g_commandCalls, 0);
    counted.ExtractEntry(tree / "a.zip", "x.txt", 0, kKindZip);
    EXPECT_EQ(g_commandCalls, 1);  // the override really is in place
    loader.ResetFaults();

    loader.FailLoad(platform::kZipLibraryName);
    TNebuFileFunc noZip(loader);
    noZip.Host = &host;
    noZip.TempDir[0] = ff->TempDir[0];
    const std::string zip = tree / "a.zip";
    test::MakeZip(zip, {{"x.txt", "x"}});
    EXPECT_EQ(noZip.ZipReady, 0);
    EXPECT_EQ(noZip.ExtractEntry(zip, "x.txt", 0, kKindZip), "");
    EXPECT_TRUE(host.questions.empty());
    EXPECT_TRUE(FilesIn(ff->TempDir[0]).empty());
}

TEST_F(ExtractTest, AFailedExtractionAsksWhetherToGoOnAndYieldsNothing) {
    const std::string zip = tree / "壊れた 書庫.zip";
    test::MakeZip(zip, {{"present.txt", "here"}});

    host.messageAnswers = {MsgAnswer::Yes};
    EXPECT_EQ(ff->ExtractEntry(zip, "absent.txt", 0, kKindZip), "");
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0], FailureQuestion(zip));
    EXPECT_EQ(ff->Stop.load(), 0);

    host.messageAnswers = {MsgAnswer::No};
    EXPECT_EQ(ff->ExtractEntry(zip, "absent.txt", 0, kKindZip), "");
    EXPECT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(ff->Stop.load(), 1);
}

// A library that fails after writing part of the entry: that part says
// nothing about the archive and must not be compared.
int FailingCommandLeavingPartOfTheEntry(platform::HWND, const char* line, char*, std::uint32_t) {
    const auto command = platform::ParseExtractCommand(line, platform::ArchiveFormat::Zip);
    if (command) test::WriteFile(command->folder + "big.bin", "the first half");
    return 1;
}

TEST_F(ExtractTest, WhatAFailedExtractionLeftBehindIsDiscarded) {
    loader.OverrideSymbol("UnZip", reinterpret_cast<void*>(&FailingCommandLeavingPartOfTheEntry));
    TNebuFileFunc failing(loader);
    failing.Host = &host;
    failing.TempDir[0] = ff->TempDir[0];
    host.messageAnswers = {MsgAnswer::Yes};
    EXPECT_EQ(failing.ExtractEntry(tree / "any.zip", "big.bin", 0, kKindZip), "");
    EXPECT_EQ(host.questions.size(), 1u);
    EXPECT_TRUE(FilesIn(ff->TempDir[0]).empty());

    // A real truncated archive fails the same way.
    const std::string whole = tree / "whole.zip";
    test::MakeRawZip(whole, {test::RawZipEntry("big.bin", RandomBytes(200000, 5))});
    const std::string cut = tree / "cut.zip";
    test::MakeCorruptCopy(whole, cut, test::Damage::Truncate);
    host.messageAnswers = {MsgAnswer::Yes};
    EXPECT_EQ(ff->ExtractEntry(cut, "big.bin", 0, kKindZip), "");
    EXPECT_EQ(host.questions.size(), 2u);
    EXPECT_TRUE(FilesIn(ff->TempDir[0]).empty());
}

// The archive is the kept copy when a duplicate of one of its entries is
// deleted: it is remembered as it was when the entry was extracted.
TEST_F(ExtractTest, AChangedArchiveStopsTheDeletionOfItsEntrysDuplicate) {
    const std::string zip = tree / "元/保存.zip";
    test::MakeDirs(tree / "元");
    test::MakeZip(zip, {{"写真.jpg", photo}});
    const std::string target = tree.Write("先/写真.jpg", photo);
    const std::string target2 = tree.Write("先/写真のコピー.jpg", photo);

    std::string x = ff->ExtractEntry(zip, "写真.jpg", 0, kKindZip);
    ASSERT_TRUE(ff->SameContents(x, target));
    ff->DeleteExtracted(x);
    EXPECT_TRUE(ff->UnchangedSinceCompared(zip));
    EXPECT_TRUE(ff->RemoveDuplicate(target, zip));
    EXPECT_FALSE(Exists(target));

    x = ff->ExtractEntry(zip, "写真.jpg", 0, kKindZip);
    ASSERT_TRUE(ff->SameContents(x, target2));
    ff->DeleteExtracted(x);
    test::MakeZip(zip, {{"写真.jpg", photo}, {"new.txt", "added later"}});
    EXPECT_FALSE(ff->UnchangedSinceCompared(zip));
    EXPECT_FALSE(ff->RemoveDuplicate(target2, zip));
    EXPECT_TRUE(Exists(target2));
}

}  // namespace
}  // namespace nebu
