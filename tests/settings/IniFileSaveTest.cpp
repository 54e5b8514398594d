#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "settings/IniFile.h"
#include "settings/SettingsFile.h"
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
