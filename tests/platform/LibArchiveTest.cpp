// libarchive as the platform layer opens it at run time, and what the
// archiver stand-ins do when it cannot be opened.

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/ArchiverLibrary.h"
#include "platform/ArchiveStream.h"
#include "platform/LibArchive.h"
#include "support/ArchiveFixtures.h"
#include "support/TempTree.h"

namespace nebu::platform {
namespace {

class HiddenLibArchive {
  public:
    HiddenLibArchive() { LibArchive::Hide(true); }
    ~HiddenLibArchive() { LibArchive::Hide(false); }
    HiddenLibArchive(const HiddenLibArchive&) = delete;
    HiddenLibArchive& operator=(const HiddenLibArchive&) = delete;
};

TEST(LibArchive, LoadsOnceForEveryThread) {
    std::vector<const LibArchive*> seen(4, nullptr);
    std::vector<std::thread> threads;
    for (auto& slot : seen) threads.emplace_back([&slot] { slot = LibArchive::Get(); });
    for (auto& t : threads) t.join();
    const LibArchive* api = LibArchive::Get();
    ASSERT_NE(api, nullptr);
    for (const LibArchive* s : seen) EXPECT_EQ(s, api);

    // The table drives the real library: a reader comes and goes, and its
    // error text is the one set through the table.
    archive* reader = api->archive_read_new();
    ASSERT_NE(reader, nullptr);
    api->archive_set_error(reader, 5, "made up for the test");
    ASSERT_NE(api->archive_error_string(reader), nullptr);
    EXPECT_STREQ(api->archive_error_string(reader), "made up for the test");
    EXPECT_EQ(api->archive_read_free(reader), ARCHIVE_OK);
}

TEST(LibArchive, ReadsAnArchiveThroughTheTable) {
    test::TempTree tree;
    const std::string zip = tree / "表データ.zip";
    test::MakeZip(zip, {{"フォルダ/日本語.txt", "中身"}});
    auto stream = ArchiveStream::Open(zip, ArchiveFormat::Zip);
    ASSERT_TRUE(stream);
    StoredEntry entry;
    ASSERT_EQ(stream->Next(entry), ArchiveStream::Step::Entry);
    EXPECT_EQ(entry.name, "フォルダ/日本語.txt");
    EXPECT_EQ(entry.size, std::string("中身").size());
    EXPECT_EQ(stream->Next(entry), ArchiveStream::Step::End);
}

// Without libarchive the stand-ins still load (the engine loads them before
// it knows whether any archive will be read) but find every archive
// unreadable, as they find a damaged one.
TEST(LibArchive, MissingLibraryMakesEveryArchiveUnreadable) {
    test::TempTree tree;
    const std::string zip = tree / "アーカイブ.zip";
    const std::string lzh = tree / "アーカイブ.lzh";
    const std::string work = tree.MakeDir("work");
    test::MakeZip(zip, {{"a.txt", "alpha"}});
    test::MakeRawLzh(lzh, {{"a.txt", "alpha"}});
    ArchiverLibrary zipLib{kZipLibraryName, "UnZip"};
    ArchiverLibrary lhaLib{kLhaLibraryName, "Unlha"};

    auto attempt = [&](bool expectReadable) {
        for (auto [lib, path, format, line] :
             {std::tuple{&zipLib, zip, ArchiveFormat::Zip,
                         "-x -j --i " + zip + " " + work + "/ \"a.txt\""},
              std::tuple{&lhaLib, lzh, ArchiveFormat::Lzh,
                         "e -m -n -gm -p " + lzh + " " + work + "/ \"a.txt\""}}) {
            SCOPED_TRACE(path + (expectReadable ? " readable" : " hidden"));
            ASSERT_TRUE(lib->Load());
            EXPECT_EQ(ArchiveStream::Open(path, format) != nullptr, expectReadable);
            EXPECT_EQ(ArchiveStream::Recognises(path, format), expectReadable);
            EXPECT_EQ(lib->CheckArchive(path.c_str(), 0), expectReadable);
            HARC h = lib->OpenArchive(nullptr, path.c_str(), kOpenNoErrorMessages);
            EXPECT_EQ(h != nullptr, expectReadable);
            if (h) {
                EXPECT_EQ(lib->CloseArchive(h), 0);
            }

            std::vector<char> output(4096, 'X');
            int rc = lib->Command(nullptr, line.c_str(), output.data(),
                                  static_cast<std::uint32_t>(output.size()));
            EXPECT_EQ(rc == 0, expectReadable) << output.data();
            EXPECT_EQ(test::Exists(work + "/a.txt"), expectReadable);
            std::filesystem::remove(work + "/a.txt");
        }
    };
    {
        HiddenLibArchive hidden;
        EXPECT_EQ(LibArchive::Get(), nullptr);
        attempt(false);
    }
    ASSERT_NE(LibArchive::Get(), nullptr);
    attempt(true);
}

}  // namespace
}  // namespace nebu::platform
