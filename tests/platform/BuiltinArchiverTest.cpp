// The built-in "unlha32.dll" and "UnZip32.dll", called through the loader as
// the engine calls them, on real archives written by libarchive, Info-ZIP
// zip, jlha, and by hand for what no honest tool writes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "engine/ArchiverLibrary.h"
#include "platform/ArchiverApi.h"
#include "support/ArchiveFixtures.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using platform::HARC;
using platform::IndividualInfo;
using test::ArchiveItem;
using test::TempTree;

struct Listed {
    std::string name;
    std::uint64_t size;
    bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Listed& l) {
    return os << "{" << l.name << ", " << l.size << "}";
}

std::string Text(std::size_t size) {
    std::string text;
    while (text.size() < size) text += "同じ内容のファイルを探します。 duplicate finder line\n";
    text.resize(size);
    return text;
}

const std::string kBig = Text(20000);
const std::string kRandom = test::RandomBytes(3000, 7);

// Files, a folder with contents, an empty folder, Japanese names with the
// 0x5C trail byte (表, ソ) and an empty file.
std::vector<ArchiveItem> Items() {
    return {{"readme.txt", "hello\n"}, {"docs/", "", ArchiveItem::Directory},
            {"docs/日本語.txt", kBig}, {"ソース/表.txt", kRandom},
            {"empty.txt", ""},         {"空/", "", ArchiveItem::Directory}};
}

const std::vector<Listed> kZipListing = {{"readme.txt", 6},          {"docs/", 0},
                                         {"docs/日本語.txt", 20000}, {"ソース/表.txt", 3000},
                                         {"empty.txt", 0},           {"空/", 0}};
// jlha names only folders without contents (it recurses), after the files.
const std::vector<Listed> kLzhListing = {{"readme.txt", 6},
                                         {"docs/日本語.txt", 20000},
                                         {"ソース/表.txt", 3000},
                                         {"empty.txt", 0},
                                         {"空/", 0}};

std::vector<std::string> FolderContents(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class BuiltinArchiverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(lha_.Load());
        ASSERT_TRUE(zip_.Load());
        work_ = tree_.MakeDir("work/nb0A1B2.tmp");
    }

    ArchiverLibrary& Lib(bool lzh) { return lzh ? lha_ : zip_; }

    // The whole listing, as the engine walks it; `end` gets the last answer.
    std::vector<Listed> List(bool lzh, const std::string& path, int* end = nullptr,
                             const char* wild = "*.*") {
        ArchiverLibrary& lib = Lib(lzh);
        std::vector<Listed> listed;
        HARC h = lib.OpenArchive(nullptr, path.c_str(), platform::kOpenNoErrorMessages);
        if (!h) {
            ADD_FAILURE() << "cannot open " << path;
            return listed;
        }
        IndividualInfo info;
        int rc = lib.FindFirst(h, wild, &info);
        while (rc == 0) {
            listed.push_back({info.fileName, info.originalSize});
            rc = lib.FindNext(h, &info);
        }
        EXPECT_EQ(lib.CloseArchive(h), 0);
        if (end) {
            *end = rc;
        } else {
            EXPECT_EQ(rc, -1) << path;
        }
        return listed;
    }

    // The command line exactly as the engine builds it.
    int Extract(bool lzh, const std::string& archive, const std::string& entry,
                std::string* message = nullptr, std::string folder = "") {
        if (folder.empty()) folder = work_;
        std::string line = lzh ? "e -m -n -gm -p " : "-x -j --i ";
        line += archive.find(' ') != std::string::npos ? "\"" + archive + "\"" : archive;
        line += " " + folder + "/ \"" + entry + "\"";
        std::vector<char> output(65536, 'X');
        int rc = Lib(lzh).Command(nullptr, line.c_str(), output.data(), 65536);
        EXPECT_NE(std::find(output.begin(), output.end(), '\0'), output.end());
        if (message) *message = output.data();
        return rc;
    }

    // Extracts one entry and takes the extracted file away again.
    std::string ExtractContent(bool lzh, const std::string& archive, const std::string& entry,
                               const std::string& leaf) {
        std::string message;
        EXPECT_EQ(Extract(lzh, archive, entry, &message), 0) << entry << ": " << message;
        EXPECT_EQ(FolderContents(work_), std::vector<std::string>{leaf});
        std::string path = work_ + "/" + leaf;
        std::string content = test::ReadFile(path);
        struct stat st;
        EXPECT_EQ(lstat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        unlink(path.c_str());
        return content;
    }

    void ExpectFails(bool lzh, const std::string& archive, const std::string& entry) {
        std::string message;
        EXPECT_NE(Extract(lzh, archive, entry, &message), 0) << entry;
        EXPECT_FALSE(message.empty()) << entry;
        EXPECT_TRUE(FolderContents(work_).empty()) << entry;
    }

    TempTree tree_;
    std::string work_;
    ArchiverLibrary lha_{platform::kLhaLibraryName, "Unlha"};
    ArchiverLibrary zip_{platform::kZipLibraryName, "UnZip"};
};

TEST_F(BuiltinArchiverTest, ListsAndExtractsZipWithUtf8AndCp932Names) {
    for (bool utf8 : {true, false}) {
        std::string archive = tree_ / (utf8 ? "utf8.zip" : "cp932.zip");
        test::MakeZip(archive, Items(), utf8);
        EXPECT_EQ(List(false, archive), kZipListing) << archive;
        EXPECT_EQ(ExtractContent(false, archive, "docs/日本語.txt", "日本語.txt"), kBig);
        EXPECT_EQ(ExtractContent(false, archive, "ソース/表.txt", "表.txt"), kRandom);
        EXPECT_EQ(ExtractContent(false, archive, "readme.txt", "readme.txt"), "hello\n");
        EXPECT_EQ(ExtractContent(false, archive, "empty.txt", "empty.txt"), "");
    }
}

TEST_F(BuiltinArchiverTest, ListsAndExtractsZipWrittenByInfoZip) {
    TempTree src;
    src.Write("フォルダ/日本語.txt", kBig);
    src.Write("top.bin", kRandom);
    std::string archive = tree_ / "infozip.zip";
    ASSERT_TRUE(
        test::MakeZipWithTool(archive, src.Path(), {"フォルダ", "フォルダ/日本語.txt", "top.bin"}));
    EXPECT_EQ(
        List(false, archive),
        (std::vector<Listed>{{"フォルダ/", 0}, {"フォルダ/日本語.txt", 20000}, {"top.bin", 3000}}));
    EXPECT_EQ(ExtractContent(false, archive, "フォルダ/日本語.txt", "日本語.txt"), kBig);
}

TEST_F(BuiltinArchiverTest, ListsAndExtractsLzhOfEachMethodAndNameEncoding) {
    struct Case {
        int method;
        test::LzhNames names;
    };
    for (Case c : {Case{5, test::LzhNames::Cp932}, Case{6, test::LzhNames::Cp932},
                   Case{7, test::LzhNames::Cp932}, Case{5, test::LzhNames::Utf8}}) {
        std::string archive = tree_ / ("m" + std::to_string(c.method) +
                                       (c.names == test::LzhNames::Utf8 ? "u" : "c") + ".lzh");
        test::MakeLzh(archive, Items(), c.method, c.names);
        // The compressible text really went through that method.
        std::string method = "-lh" + std::to_string(c.method) + "-";
        EXPECT_NE(test::ReadFile(archive).find(method), std::string::npos) << method;
        EXPECT_EQ(List(true, archive), kLzhListing) << archive;
        EXPECT_EQ(ExtractContent(true, archive, "docs/日本語.txt", "日本語.txt"), kBig);
        EXPECT_EQ(ExtractContent(true, archive, "ソース/表.txt", "表.txt"), kRandom);
        EXPECT_EQ(ExtractContent(true, archive, "empty.txt", "empty.txt"), "");
    }
}

TEST_F(BuiltinArchiverTest, ReadsCp932NamesOfOlderLzhHeaders) {
    // Level 0 keeps DOS "\" separators, whose byte is also the second byte of 表 and ソ.
    std::string level0 = tree_ / "level0.lzh";
    test::MakeRawLzh(
        level0, {{test::ToCp932("表\\ソ.txt"), "zz"}, {test::ToCp932("日本語.txt"), "abc"}}, 0);
    EXPECT_EQ(List(true, level0), (std::vector<Listed>{{"表/ソ.txt", 2}, {"日本語.txt", 3}}));
    EXPECT_EQ(ExtractContent(true, level0, "表/ソ.txt", "ソ.txt"), "zz");

    std::string level2 = tree_ / "level2.lzh";
    test::MakeRawLzh(level2, {{test::ToCp932("ソース/表.txt"), "data"},
                              {test::ToCp932("空"), "", std::nullopt, true}});
    EXPECT_EQ(List(true, level2), (std::vector<Listed>{{"ソース/表.txt", 4}, {"空/", 0}}));
    EXPECT_EQ(ExtractContent(true, level2, "ソース/表.txt", "表.txt"), "data");
}

TEST_F(BuiltinArchiverTest, ArchivesOfFoldersOnlyListOnlyFolders) {
    std::vector<ArchiveItem> dirs = {{"a", "", ArchiveItem::Directory},
                                     {"a/b", "", ArchiveItem::Directory},
                                     {"日本", "", ArchiveItem::Directory}};
    std::string zipPath = tree_ / "dirs.zip";
    test::MakeZip(zipPath, dirs);
    EXPECT_EQ(List(false, zipPath), (std::vector<Listed>{{"a/", 0}, {"a/b/", 0}, {"日本/", 0}}));

    std::string lzhPath = tree_ / "dirs.lzh";
    test::MakeLzh(lzhPath, dirs);
    EXPECT_EQ(List(true, lzhPath), (std::vector<Listed>{{"a/b/", 0}, {"日本/", 0}}));
    ExpectFails(true, lzhPath, "日本/");

    std::string empty = tree_ / "empty.zip";
    test::MakeZip(empty, {});
    EXPECT_TRUE(List(false, empty).empty());
}

TEST_F(BuiltinArchiverTest, FindFirstHonoursItsWildcardAndStartsOver) {
    std::string archive = tree_ / "w.zip";
    test::MakeZip(archive, Items());
    EXPECT_EQ(List(false, archive, nullptr, "*.txt"),
              (std::vector<Listed>{{"readme.txt", 6},
                                   {"docs/日本語.txt", 20000},
                                   {"ソース/表.txt", 3000},
                                   {"empty.txt", 0}}));

    HARC h = zip_.OpenArchive(nullptr, archive.c_str(), platform::kOpenNoErrorMessages);
    ASSERT_NE(h, nullptr);
    IndividualInfo info;
    EXPECT_NE(zip_.FindNext(h, &info), 0);  // no search begun
    ASSERT_EQ(zip_.FindFirst(h, "*.*", &info), 0);
    ASSERT_EQ(zip_.FindNext(h, &info), 0);
    ASSERT_EQ(zip_.FindFirst(h, "*.*", &info), 0);
    EXPECT_EQ(info.fileName, "readme.txt");
    // A handle of one library means nothing to the other.
    EXPECT_NE(lha_.FindFirst(h, "*.*", &info), 0);
    EXPECT_NE(lha_.CloseArchive(h), 0);
    EXPECT_EQ(zip_.CloseArchive(h), 0);
    EXPECT_NE(zip_.CloseArchive(h), 0);
}

TEST_F(BuiltinArchiverTest, RecognisesArchivesByContentIncludingSelfExtractors) {
    std::string zipPath = tree_ / "a.zip", lzhPath = tree_ / "a.lzh";
    test::MakeZip(zipPath, Items());
    test::MakeLzh(lzhPath, Items());
    std::string zipExe = tree_ / "zipsfx.exe", lzhExe = tree_ / "lzhsfx.exe";
    std::string lzhScript = tree_ / "lzhsfx.run";
    test::MakeSfx(zipExe, zipPath);
    test::MakeSfx(lzhExe, lzhPath);
    test::MakeSfx(lzhScript, lzhPath, "#!/bin/sh\nexit 0\n" + test::RandomBytes(5000, 3));
    std::string text = tree_.Write("plain.txt", Text(5000));
    std::string emptyFile = tree_.Write("empty.dat", "");

    struct Case {
        std::string path;
        bool lzh, zip;
    };
    for (const Case& c :
         {Case{zipPath, false, true}, Case{lzhPath, true, false}, Case{zipExe, false, true},
          Case{lzhExe, true, false}, Case{lzhScript, true, false}, Case{text, false, false},
          Case{emptyFile, false, false}, Case{tree_.Path(), false, false},
          Case{tree_ / "missing.zip", false, false}}) {
        EXPECT_EQ(lha_.CheckArchive(c.path.c_str(), 0), c.lzh) << c.path;
        EXPECT_EQ(zip_.CheckArchive(c.path.c_str(), 0), c.zip) << c.path;
    }

    // Self-extractors list and extract like the archives they carry.
    EXPECT_EQ(List(false, zipExe), kZipListing);
    EXPECT_EQ(List(true, lzhExe), kLzhListing);
    EXPECT_EQ(List(true, lzhScript), kLzhListing);
    EXPECT_EQ(ExtractContent(false, zipExe, "docs/日本語.txt", "日本語.txt"), kBig);
    EXPECT_EQ(ExtractContent(true, lzhScript, "ソース/表.txt", "表.txt"), kRandom);
}

TEST_F(BuiltinArchiverTest, AnArchiveStoredInsideTheOtherKindDoesNotChangeItsKind) {
    std::string lzhPath = tree_ / "inner.lzh", zipPath = tree_ / "inner.zip";
    test::MakeRawLzh(lzhPath, {{"x.txt", Text(100)}});
    test::MakeRawZip(zipPath, {{"y.txt", Text(100)}});
    std::string zipOfLzh = tree_ / "outer.zip", lzhOfZip = tree_ / "outer.lzh";
    test::MakeRawZip(zipOfLzh, {{"inner.lzh", test::ReadFile(lzhPath)}});
    test::MakeRawLzh(lzhOfZip, {{"inner.zip", test::ReadFile(zipPath)}});
    EXPECT_TRUE(zip_.CheckArchive(zipOfLzh.c_str(), 0));
    EXPECT_FALSE(lha_.CheckArchive(zipOfLzh.c_str(), 0));
    EXPECT_TRUE(lha_.CheckArchive(lzhOfZip.c_str(), 0));
    EXPECT_FALSE(zip_.CheckArchive(lzhOfZip.c_str(), 0));
}

TEST_F(BuiltinArchiverTest, DamagedArchivesAreRefusedOrEndTheirListing) {
    std::string garbage = tree_ / "garbage.zip";
    test::MakeGarbage(garbage);
    for (bool lzh : {true, false}) {
        EXPECT_EQ(Lib(lzh).OpenArchive(nullptr, garbage.c_str(), 0), nullptr);
        EXPECT_FALSE(Lib(lzh).CheckArchive(garbage.c_str(), 0));
        ExpectFails(lzh, garbage, "x");
    }

    std::string zipPath = tree_ / "good.zip", cut = tree_ / "cut.zip";
    test::MakeZip(zipPath, Items());
    test::MakeCorruptCopy(zipPath, cut, test::Damage::Truncate);
    EXPECT_EQ(zip_.OpenArchive(nullptr, cut.c_str(), 0), nullptr);
    ExpectFails(false, cut, "readme.txt");

    // Compressed data damaged behind intact headers: the listing may still
    // work, extraction must fail and leave nothing behind.
    std::string lzhPath = tree_ / "good.lzh", garbled = tree_ / "garbled.lzh";
    test::MakeLzh(lzhPath, {{"head.txt", "header entry"}, {"big.txt", Text(400000)}});
    std::string bytes = test::ReadFile(lzhPath);
    std::size_t data = bytes.find("big.txt") + 40;
    for (std::size_t i = data; i < data + 200 && i < bytes.size(); ++i) bytes[i] ^= 0x5A;
    test::WriteFile(garbled, bytes);
    ExpectFails(true, garbled, "big.txt");
    EXPECT_EQ(ExtractContent(true, garbled, "head.txt", "head.txt"), "header entry");

    std::string cutLzh = tree_ / "cut.lzh";
    test::MakeCorruptCopy(lzhPath, cutLzh, test::Damage::Truncate);
    int end = 0;
    std::vector<Listed> listed = List(true, cutLzh, &end);
    EXPECT_LE(listed.size(), 2u);
    ExpectFails(true, cutLzh, "big.txt");
}

TEST_F(BuiltinArchiverTest, ExtractsWithBlanksInPathsAndReportsWhatWentWrong) {
    std::string dir = tree_.MakeDir("my archives");
    std::string archive = dir + "/with blank.zip";
    test::MakeZip(archive, {{"a b/c d.txt", "spaced"}});
    EXPECT_EQ(ExtractContent(false, archive, "a b/c d.txt", "c d.txt"), "spaced");

    std::string message;
    EXPECT_NE(Extract(false, archive, "nothere.txt", &message), 0);
    EXPECT_NE(message.find("nothere.txt"), std::string::npos) << message;
    EXPECT_TRUE(FolderContents(work_).empty());

    // The wrong library's command line, or none, is refused.
    std::vector<char> output(64, 'X');
    std::string line = "e -m -n -gm -p " + archive + " " + work_ + "/ \"a b/c d.txt\"";
    EXPECT_NE(zip_.Command(nullptr, line.c_str(), output.data(), 64), 0);
    EXPECT_NE(zip_.Command(nullptr, "garbage", output.data(), 64), 0);
    EXPECT_NE(zip_.Command(nullptr, nullptr, output.data(), 64), 0);
    EXPECT_TRUE(FolderContents(work_).empty());

    // The message never runs past the buffer it was given.
    std::vector<char> small(16, 'X');
    EXPECT_NE(zip_.Command(nullptr, "garbage", small.data(), 8), 0);
    EXPECT_EQ(small[7], '\0');
    EXPECT_EQ(std::string(small.begin() + 8, small.end()), std::string(8, 'X'));
}

TEST_F(BuiltinArchiverTest, NeverOverwritesOrFollowsLinks) {
    std::string archive = tree_ / "a.zip";
    test::MakeZip(archive, {{"dir/readme.txt", "new"}});

    // An existing file of that name stays as it is.
    test::WriteFile(work_ + "/readme.txt", "keep");
    EXPECT_NE(Extract(false, archive, "dir/readme.txt"), 0);
    EXPECT_EQ(test::ReadFile(work_ + "/readme.txt"), "keep");
    unlink((work_ + "/readme.txt").c_str());

    // A link planted under the file's name is not followed.
    std::string target = tree_.Write("target.txt", "target");
    ASSERT_EQ(symlink(target.c_str(), (work_ + "/readme.txt").c_str()), 0);
    EXPECT_NE(Extract(false, archive, "dir/readme.txt"), 0);
    EXPECT_EQ(test::ReadFile(target), "target");
    unlink((work_ + "/readme.txt").c_str());

    // Nor is a folder that is a link.
    std::string real = tree_.MakeDir("real");
    std::string linked = tree_ / "linked";
    ASSERT_EQ(symlink(real.c_str(), linked.c_str()), 0);
    std::string message;
    EXPECT_NE(Extract(false, archive, "dir/readme.txt", &message, linked), 0);
    EXPECT_TRUE(FolderContents(real).empty()) << message;
}

TEST_F(BuiltinArchiverTest, HostileZipEntriesWriteNothingAnywhere) {
    std::string outside = tree_.MakeDir("outside");
    std::string archive = tree_ / "hostile.zip";
    test::MakeRawZip(archive,
                     {{"../escape.txt", "evil"},
                      {"sub/../../escape2.txt", "evil"},
                      {outside + "/abs.txt", "evil"},
                      {"link.txt", outside + "/linked.txt", std::nullopt, false, false, 0120777},
                      {"long.bin", std::string(5000, 'L'), 100, true},
                      {"ok.txt", "fine"}});
    // Links are no files: they are not listed. The rest is listed as stored.
    EXPECT_EQ(List(false, archive), (std::vector<Listed>{{"../escape.txt", 4},
                                                         {"sub/../../escape2.txt", 4},
                                                         {outside + "/abs.txt", 4},
                                                         {"long.bin", 100},
                                                         {"ok.txt", 4}}));
    for (const std::string& name :
         {std::string("../escape.txt"), std::string("sub/../../escape2.txt"), outside + "/abs.txt",
          std::string("link.txt"), std::string("long.bin")}) {
        ExpectFails(false, archive, name);
    }
    EXPECT_TRUE(FolderContents(outside).empty());
    EXPECT_EQ(FolderContents(tree_ / "work"), std::vector<std::string>{"nb0A1B2.tmp"});
    EXPECT_FALSE(test::Exists(tree_ / "escape.txt"));
    EXPECT_FALSE(test::Exists(tree_ / "escape2.txt"));
    // The archive itself is sound: its honest entry comes out.
    EXPECT_EQ(ExtractContent(false, archive, "ok.txt", "ok.txt"), "fine");
}

TEST_F(BuiltinArchiverTest, HostileLzhEntriesWriteNothingAnywhere) {
    std::string outside = tree_.MakeDir("outside");
    std::string level2 = tree_ / "hostile2.lzh";
    test::MakeRawLzh(level2, {{"../escape.txt", "evil"},
                              {"link.txt", "", std::nullopt, false, outside + "/linked.txt"},
                              {"long.bin", std::string(500, 'L'), 100},
                              {"short.bin", std::string(100, 'S'), 1000},
                              {"ok.txt", "fine"}});
    EXPECT_EQ(List(true, level2),
              (std::vector<Listed>{
                  {"../escape.txt", 4}, {"long.bin", 100}, {"short.bin", 1000}, {"ok.txt", 4}}));
    for (const char* name : {"../escape.txt", "link.txt", "long.bin", "short.bin"}) {
        ExpectFails(true, level2, name);
    }

    std::string level0 = tree_ / "hostile0.lzh";
    test::MakeRawLzh(level0, {{"..\\escape.txt", "evil"}, {outside + "/abs.txt", "evil"}}, 0);
    EXPECT_EQ(List(true, level0),
              (std::vector<Listed>{{"../escape.txt", 4}, {outside + "/abs.txt", 4}}));
    ExpectFails(true, level0, "../escape.txt");
    ExpectFails(true, level0, outside + "/abs.txt");

    EXPECT_TRUE(FolderContents(outside).empty());
    EXPECT_FALSE(test::Exists(tree_ / "escape.txt"));
    EXPECT_EQ(FolderContents(tree_ / "work"), std::vector<std::string>{"nb0A1B2.tmp"});
    EXPECT_EQ(ExtractContent(true, level2, "ok.txt", "ok.txt"), "fine");
}

}  // namespace
}  // namespace nebu
