#include <gtest/gtest.h>

#include <vector>

#include "engine/ArchiverLibrary.h"
#include "platform/ArchiverApi.h"
#include "platform/LibraryLoader.h"

namespace nebu::platform {
namespace {

const char* const kSuffixes[] = {"",          "SetBackGroundMode", "OpenArchive", "CloseArchive",
                                 "FindFirst", "FindNext",          "GetVersion",  "CheckArchive"};

class LibraryLoaderTest : public ::testing::Test {
  protected:
    FaultyLibraryLoader loader;
};

TEST_F(LibraryLoaderTest, FindsBothLibrariesByExactNameWithAllEntryPoints) {
    for (auto [name, prefix] : {std::pair{kLhaLibraryName, "Unlha"}, {kZipLibraryName, "UnZip"}}) {
        LibraryHandle* library = LibraryLoader::Builtin().Load(name);
        ASSERT_NE(library, nullptr) << name;
        for (const char* suffix : kSuffixes) {
            EXPECT_NE(LibraryLoader::Builtin().GetProc(library, std::string(prefix) + suffix),
                      nullptr)
                << prefix << suffix;
        }
        EXPECT_EQ(LibraryLoader::Builtin().GetProc(library, "UnarjFindFirst"), nullptr);
        LibraryLoader::Builtin().Free(library);
    }
    EXPECT_EQ(LibraryLoader::Builtin().Load("UNLHA32.DLL"), nullptr);
    EXPECT_EQ(LibraryLoader::Builtin().Load("unarj32.dll"), nullptr);
    EXPECT_EQ(LibraryLoader::Builtin().GetProc(nullptr, "Unlha"), nullptr);

    // Each library has its own entry points, not the other's.
    LibraryHandle* lha = LibraryLoader::Builtin().Load(kLhaLibraryName);
    EXPECT_EQ(LibraryLoader::Builtin().GetProc(lha, "UnZipFindFirst"), nullptr);
    LibraryLoader::Builtin().Free(lha);
}

TEST_F(LibraryLoaderTest, BothLibrariesAreUsableWithoutFaults) {
    ArchiverLibrary lha(kLhaLibraryName, "Unlha", loader);
    ArchiverLibrary zip(kZipLibraryName, "UnZip", loader);
    ASSERT_TRUE(lha.Load());
    ASSERT_TRUE(zip.Load());
    EXPECT_TRUE(lha.Ready());
    EXPECT_GE(lha.GetVersion(), 95);
    EXPECT_GE(zip.GetVersion(), 95);
    ASSERT_NE(zip.CheckArchive, nullptr);
}

TEST_F(LibraryLoaderTest, FailedLoadLeavesOnlyThatLibraryUnusable) {
    loader.FailLoad(kZipLibraryName);
    ArchiverLibrary lha(kLhaLibraryName, "Unlha", loader);
    ArchiverLibrary zip(kZipLibraryName, "UnZip", loader);
    EXPECT_FALSE(zip.Load());
    EXPECT_FALSE(zip.Ready());
    EXPECT_TRUE(lha.Load());

    loader.ResetFaults();
    EXPECT_TRUE(zip.Load());
}

TEST_F(LibraryLoaderTest, AnyMissingEntryPointMakesTheLibraryUnusable) {
    for (const char* suffix : kSuffixes) {
        loader.HideSymbol(std::string("Unlha") + suffix);
        ArchiverLibrary lha(kLhaLibraryName, "Unlha", loader);
        EXPECT_FALSE(lha.Load()) << suffix;
        EXPECT_FALSE(lha.Ready()) << suffix;
        loader.ResetFaults();
    }
}

std::uint16_t reportedVersion = 0;
std::vector<bool> backgroundCalls;

std::uint16_t FakeVersion() {
    return reportedVersion;
}
bool RecordBackground(bool background) {
    backgroundCalls.push_back(background);
    return true;
}

TEST_F(LibraryLoaderTest, VersionDecidesByItsLow16BitsUnsigned) {
    loader.OverrideSymbol("UnZipGetVersion", reinterpret_cast<void*>(&FakeVersion));
    loader.OverrideSymbol("UnZipSetBackGroundMode", reinterpret_cast<void*>(&RecordBackground));
    struct Case {
        std::uint16_t version;
        bool usable;
    };
    for (Case c : {Case{94, false}, Case{0, false}, Case{95, true}, Case{0x8000, true},
                   Case{0xFFFF, true}}) {
        reportedVersion = c.version;
        backgroundCalls.clear();
        ArchiverLibrary zip(kZipLibraryName, "UnZip", loader);
        EXPECT_EQ(zip.Load(), c.usable) << c.version;
        EXPECT_EQ(zip.Ready(), c.usable) << c.version;
        // Background mode is switched off once, and only on a usable library.
        EXPECT_EQ(backgroundCalls, c.usable ? std::vector<bool>{false} : std::vector<bool>{})
            << c.version;
    }
}

}  // namespace
}  // namespace nebu::platform
