#include <gtest/gtest.h>

#include "mainwin/SettingsFile.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

TEST(SettingsFileDirs, LoadingNamesTheDirectoriesThatDoNotExist) {
    test::TempTree tree;
    tree.MakeDir("写真");
    const std::string gone = tree / "消えた";
    const std::string file = tree.Write(
        "s.neb", "[NEBU]\r\nDirListText1=" + tree / "写真" + "," + gone +
                     "\r\nDirectoryListBox2=" + tree / "nowhere" + "\r\nSubDirChk1=1\r\n");
    WindowSettings settings;
    std::vector<std::string> missing;
    ASSERT_EQ(LoadSettingsFile(settings, file, &missing), std::nullopt);
    EXPECT_EQ(missing, (std::vector<std::string>{gone, tree / "nowhere"}));
    // The window still gets the stand-ins; the message tells it which are gone.
    EXPECT_EQ(settings.Side(2).DirectoryListBox, "/");
    const std::string message = MissingDirectoriesMessage(missing);
    EXPECT_NE(message.find("「" + gone + "」"), std::string::npos) << message;
    EXPECT_NE(message.find("「" + tree / "nowhere" + "」"), std::string::npos) << message;
}

TEST(SettingsFileDirs, APathTheFileCannotHoldExactlyIsNotWritten) {
    test::TempTree tree;
    WindowSettings settings;
    const std::string latin1 = tree / "caf\xE9";
    settings.Side(1).DirListText = {tree.MakeDir("ok"), latin1};
    const std::string file = tree / "s.neb";
    auto error = SaveSettingsFile(settings, file);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("「" + latin1 + "」"), std::string::npos) << *error;
    EXPECT_FALSE(test::Exists(file));

    settings.Side(1).DirListText.clear();
    settings.Side(2).DirectoryListBox = tree / "ends in a blank ";
    error = SaveSettingsFile(settings, file);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find(tree / "ends in a blank "), std::string::npos) << *error;
    EXPECT_FALSE(test::Exists(file));
}

}  // namespace
}  // namespace nebu
