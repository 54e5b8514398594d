// Archives no honest tool writes, on either side of every mode: whatever
// their entries claim, nothing lands outside the work folder, nothing is
// deleted, and the run ends normally.

#include <gtest/gtest.h>

#include <filesystem>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

const std::string kEvil = "EVIL";

struct Hostile {
    const char* label;
    const char* ext;
    // Builds the archive; `tree` is the test's folder, `escape` a name that
    // would land next to it if an entry got out.
    void (*make)(const std::string& path, const TempTree& tree, const std::string& escape);
    int listed;  // entries the listing shows, each of kEvil's size
    bool failsToExtract;
};

void ZipDotDot(const std::string& path, const TempTree&, const std::string& escape) {
    MakeRawZip(path, {RawZipEntry("../up.txt", kEvil), RawZipEntry("../../../" + escape, kEvil)});
}
void ZipAbsolute(const std::string& path, const TempTree& tree, const std::string&) {
    MakeRawZip(path, {RawZipEntry(tree / "absolute.txt", kEvil)});
}
void ZipSymlink(const std::string& path, const TempTree& tree, const std::string&) {
    MakeRawZip(path, {RawZipEntry("ln", tree / "outside", std::nullopt, false, false, 0120777),
                      RawZipEntry("ln/through.txt", "THRU")});
}
// A link to a file outside, then a file of the link's name: extracting the
// file must not write through the link.
void ZipLinkThenFile(const std::string& path, const TempTree& tree, const std::string&) {
    MakeRawZip(path, {RawZipEntry("victim", tree / "outside/victim.txt", std::nullopt, false, false,
                                  0120777),
                      RawZipEntry("victim", "THRU")});
}
void ZipLonger(const std::string& path, const TempTree&, const std::string&) {
    MakeRawZip(path, {RawZipEntry("long.txt", kEvil + kEvil, 4u, true)});
}
void LzhDotDot(const std::string& path, const TempTree&, const std::string& escape) {
    MakeRawLzh(path, {RawLzhEntry("../up.txt", kEvil), RawLzhEntry("../../../" + escape, kEvil)});
}
void LzhAbsolute(const std::string& path, const TempTree& tree, const std::string&) {
    MakeRawLzh(path, {RawLzhEntry(tree / "absolute.txt", kEvil)});
}
void LzhSymlink(const std::string& path, const TempTree& tree, const std::string&) {
    MakeRawLzh(path, {RawLzhEntry("ln", "", std::nullopt, false, tree / "outside"),
                      RawLzhEntry("ln/through.txt", "THRU")});
}
void LzhLinkThenFile(const std::string& path, const TempTree& tree, const std::string&) {
    MakeRawLzh(path, {RawLzhEntry("victim", "", std::nullopt, false, tree / "outside/victim.txt"),
                      RawLzhEntry("victim", "THRU")});
}
void LzhLonger(const std::string& path, const TempTree&, const std::string&) {
    MakeRawLzh(path, {RawLzhEntry("long.txt", kEvil + kEvil, 4u)});
}
void Lzh0DotDot(const std::string& path, const TempTree&, const std::string& escape) {
    MakeRawLzh(path, {RawLzhEntry("..\\up.txt", kEvil), RawLzhEntry("../../../" + escape, kEvil)},
               0);
}
void Lzh0Absolute(const std::string& path, const TempTree& tree, const std::string&) {
    MakeRawLzh(path, {RawLzhEntry(tree / "absolute.txt", kEvil)}, 0);
}

// The symbolic link is never listed; the file behind it is, and is
// extracted into the work folder only.
const Hostile kHostiles[] = {
    {"ZipDotDot", ".zip", &ZipDotDot, 2, true},
    {"ZipAbsolute", ".zip", &ZipAbsolute, 1, true},
    {"ZipSymlink", ".zip", &ZipSymlink, 1, false},
    {"ZipLinkThenFile", ".zip", &ZipLinkThenFile, 1, false},
    {"ZipLongerThanDeclared", ".zip", &ZipLonger, 1, true},
    {"LzhDotDot", ".lzh", &LzhDotDot, 2, true},
    {"LzhAbsolute", ".lzh", &LzhAbsolute, 1, true},
    {"LzhSymlink", ".lzh", &LzhSymlink, 1, false},
    {"LzhLinkThenFile", ".lzh", &LzhLinkThenFile, 1, false},
    {"LzhLongerThanDeclared", ".lzh", &LzhLonger, 1, true},
    {"Lzh0DotDot", ".lzh", &Lzh0DotDot, 2, true},
    {"Lzh0Absolute", ".lzh", &Lzh0Absolute, 1, true},
};

enum class Mode {
    SourceArchives,
    TargetArchives,
    EntriesHostileSource,
    EntriesHostileTarget,
    WholeHostileSource,
    WholeHostileTarget
};

const char* ModeName(Mode m) {
    switch (m) {
        case Mode::SourceArchives:
            return "SourceArchives";
        case Mode::TargetArchives:
            return "TargetArchives";
        case Mode::EntriesHostileSource:
            return "EntriesHostileSource";
        case Mode::EntriesHostileTarget:
            return "EntriesHostileTarget";
        case Mode::WholeHostileSource:
            return "WholeHostileSource";
        case Mode::WholeHostileTarget:
            return "WholeHostileTarget";
    }
    return "";
}

class HostileArchivesTest : public ArchiveJobTest,
                            public ::testing::WithParamInterface<std::tuple<Hostile, Mode>> {};

TEST_P(HostileArchivesTest, NothingEscapesNothingIsDeletedAndTheRunEnds) {
    const auto& [hostile, mode] = GetParam();
    const std::string escape = std::filesystem::path(tree_.Path()).filename().string() + "-escaped";
    const std::string escapedPath = std::filesystem::path(tree_.Path()).parent_path() / escape;
    tree_.Write("outside/victim.txt", "KEEP");
    tree_.MakeDir("src");
    tree_.MakeDir("dst");

    const bool hostileOnSource = mode == Mode::SourceArchives ||
                                 mode == Mode::EntriesHostileSource ||
                                 mode == Mode::WholeHostileSource;
    const std::string hostileSide = hostileOnSource ? "src/" : "dst/";
    const std::string otherSide = hostileOnSource ? "dst/" : "src/";
    hostile.make(tree_ / (hostileSide + "hostile" + hostile.ext), tree_, escape);
    if (mode == Mode::SourceArchives || mode == Mode::TargetArchives) {
        tree_.Write(otherSide + "evil.txt", kEvil);
    } else {
        // As many entries of the same size as the hostile archive lists, so
        // that even whole archives get as far as extracting.
        std::vector<ArchiveItem> items;
        for (int i = 0; i < hostile.listed; ++i)
            items.push_back(Item("e" + std::to_string(i), kEvil));
        MakeZip(tree_ / (otherSide + "good.zip"), items);
    }

    const auto before = Snapshot(tree_.Path());
    host_.messageAnswers.assign(20, MsgAnswer::Yes);
    DeleteWithoutAsking();
    SideKind source = kArchiveSide;
    SideKind target = kArchiveSide;
    if (mode == Mode::SourceArchives) target = kPlainSide;
    if (mode == Mode::TargetArchives) source = kPlainSide;
    const bool byEntry = mode == Mode::EntriesHostileSource || mode == Mode::EntriesHostileTarget;
    RunResult r = Run(source, target, byEntry);

    // Every listed hostile entry was tried and refused.
    EXPECT_EQ(!host_.questions.empty(), hostile.failsToExtract);
    for (const auto& q : host_.questions) {
        EXPECT_EQ(q, FailedExtractionQuestion(tree_ / (hostileSide + "hostile" + hostile.ext)));
    }
    EXPECT_EQ(Snapshot(tree_.Path()), before);
    EXPECT_FALSE(Exists(escapedPath));
    EXPECT_TRUE(r.pairs.empty());
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
    EXPECT_TRUE(LinesContaining(r.log, "削除").empty());
    EXPECT_TRUE(LinesContaining(r.log, "全てファイル").empty());
    EXPECT_EQ(ClosingWord(r.log), "処理終了");
    EXPECT_EQ(job_.Phase, kPhaseFinished);
}

INSTANTIATE_TEST_SUITE_P(
    EveryModeEitherSide, HostileArchivesTest,
    ::testing::Combine(::testing::ValuesIn(kHostiles),
                       ::testing::Values(Mode::SourceArchives, Mode::TargetArchives,
                                         Mode::EntriesHostileSource, Mode::EntriesHostileTarget,
                                         Mode::WholeHostileSource, Mode::WholeHostileTarget)),
    [](const ::testing::TestParamInfo<std::tuple<Hostile, Mode>>& info) {
        return std::string(std::get<0>(info.param).label) + "_" + ModeName(std::get<1>(info.param));
    });

}  // namespace
}  // namespace nebu::test
