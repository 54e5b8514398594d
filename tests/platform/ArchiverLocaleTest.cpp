// Entry names must not depend on the locale: the command-line build runs
// with none set (CI, cron), the GUI with the user's.

#include <gtest/gtest.h>
#include <locale.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
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

const std::vector<ArchiveItem> kItems = {{"フォルダ/日本語.txt", "日本"}, {"ｶﾀｶﾅ.txt", "kana"}};
const std::vector<std::string> kNames = {"フォルダ/日本語.txt", "ｶﾀｶﾅ.txt"};

std::vector<std::string> Names(ArchiverLibrary& lib, const std::string& path) {
    std::vector<std::string> names;
    HARC h = lib.OpenArchive(nullptr, path.c_str(), platform::kOpenNoErrorMessages);
    if (!h) return {"<cannot open>"};
    IndividualInfo info;
    for (int rc = lib.FindFirst(h, "*.*", &info); rc == 0; rc = lib.FindNext(h, &info)) {
        names.push_back(info.fileName);
    }
    lib.CloseArchive(h);
    return names;
}

class ArchiverLocaleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(lha_.Load());
        ASSERT_TRUE(zip_.Load());
        test::MakeZip(utf8Zip_, kItems, true);
        test::MakeZip(cp932Zip_, kItems, false);
        test::MakeRawLzh(cp932Lzh_, {{test::ToCp932(kItems[0].name), "a"},
                                     {test::ToCp932(kItems[1].name), "b"}});
        test::MakeRawLzh(utf8Lzh_, {{kItems[0].name, "a"}, {kItems[1].name, "b"}});
    }

    void ExpectJapaneseNames() {
        EXPECT_EQ(Names(zip_, utf8Zip_), kNames);
        EXPECT_EQ(Names(zip_, cp932Zip_), kNames);
        EXPECT_EQ(Names(lha_, cp932Lzh_), kNames);
        EXPECT_EQ(Names(lha_, utf8Lzh_), kNames);
    }

    test::TempTree tree_;
    std::string utf8Zip_ = tree_ / "utf8.zip";
    std::string cp932Zip_ = tree_ / "cp932.zip";
    std::string cp932Lzh_ = tree_ / "cp932.lzh";
    std::string utf8Lzh_ = tree_ / "utf8.lzh";
    ArchiverLibrary lha_{platform::kLhaLibraryName, "Unlha"};
    ArchiverLibrary zip_{platform::kZipLibraryName, "UnZip"};
};

TEST_F(ArchiverLocaleTest, ReportsJapaneseNamesInUtf8) {
    ExpectJapaneseNames();
}

TEST_F(ArchiverLocaleTest, NamesDoNotDependOnTheCallersLocaleWhichStaysAsItWas) {
    for (const char* name : {"C.UTF-8", "POSIX"}) {
        locale_t mine = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
        ASSERT_NE(mine, static_cast<locale_t>(0)) << name;
        locale_t before = uselocale(mine);
        ExpectJapaneseNames();
        EXPECT_EQ(uselocale(static_cast<locale_t>(0)), mine) << name;
        uselocale(before);
        freelocale(mine);
    }
}

// The real thing: this test binary again, with an empty environment.
TEST(ArchiverLocale, ReportsJapaneseNamesWithAnEmptyEnvironment) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    std::string filter = "--gtest_filter=ArchiverLocaleTest.ReportsJapaneseNamesInUtf8";
    char* argv[] = {self, filter.data(), nullptr};
    char* envp[] = {nullptr};

    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, self, &actions, nullptr, argv, envp);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    ASSERT_EQ(rc, 0);
    std::string output;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

}  // namespace
}  // namespace nebu
