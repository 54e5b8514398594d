#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "mainwin/IniFile.h"
#include "mainwin/SettingsFile.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

TEST(IniFileSaveTest, AWriteThatFailsHalfwayLeavesTheOldFile) {
    test::TempTree tree;
    const std::string path = tree / "設定.neb";
    const std::string old = "[Other]\r\nkeep=1\r\n[NEBU]\r\nCheckLog=1\r\n";
    test::WriteFile(path, old);
    IniFile ini;
    std::string error;
    ASSERT_TRUE(ini.Load(path, error));
    ini.Set(kSettingsSection, "DirListText1", std::string(4096, 'x'));

    // The file size limit makes the write fail even for a user no
    // permission stops.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = ini.Save(path, error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_NE(error.find(path), std::string::npos);
    EXPECT_EQ(test::ReadFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Path()), {}), 1);
}

TEST(IniFileSaveTest, ReplacingKeepsTheModeAndALinkToTheFile) {
    test::TempTree tree;
    const std::string real = tree / "real.neb";
    const std::string link = tree / "link.neb";
    test::WriteFile(real, "[NEBU]\r\nCheckLog=1\r\n");
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);

    WindowSettings settings;
    settings.CheckHidden = true;
    ASSERT_EQ(SaveSettingsFile(settings, link), std::nullopt);

    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_NE(test::ReadFile(real).find("CheckHidden=1\r\n"), std::string::npos);
}

TEST(IniFileSaveTest, AHugeFileIsRefusedAndChangesNothing) {
    test::TempTree tree;
    const std::string path = tree / "big.neb";
    test::WriteFile(path, "[NEBU]\r\nCheckLog=1\r\n");
    std::filesystem::resize_file(path, kMaxSettingsFileSize + 1);
    WindowSettings settings;
    settings.CheckHidden = true;
    const WindowSettings before = settings;
    const auto error = LoadSettingsFile(settings, path);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find(path), std::string::npos);
    EXPECT_EQ(settings, before);
}

}  // namespace
}  // namespace nebu
