#include <gtest/gtest.h>

#include <algorithm>

#include "settings/SettingsFile.h"
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

TEST(SettingsFileDirs, AUtf8FileIsReadAsUtf8AndALongListOfMissingFoldersIsCut) {
    test::TempTree tree;
    // 写真 in UTF-8 is valid Shift-JIS too (譁吶...); the file is still UTF-8.
    const std::string photos = tree.MakeDir("写真");
    std::string text = "[NEBU]\r\nDirectoryListBox1=" + photos + "\r\nDirListText2=";
    for (int i = 0; i < 25; ++i)
        text += (i == 0 ? "" : ",") + tree / ("gone" + std::to_string(100 + i));
    const std::string file = tree.Write("utf8.neb", text + "\r\n");
    WindowSettings settings;
    std::vector<std::string> missing;
    ASSERT_EQ(LoadSettingsFile(settings, file, &missing), std::nullopt);
    EXPECT_EQ(settings.Side(1).DirectoryListBox, photos);
    ASSERT_EQ(missing.size(), 25u);
    EXPECT_EQ(missing.front(), tree / "gone100");

    const std::string message = MissingDirectoriesMessage(missing);
    EXPECT_NE(message.find("「" + tree / "gone119" + "」"), std::string::npos) << message;
    EXPECT_EQ(message.find(tree / "gone120"), std::string::npos) << message;
    EXPECT_TRUE(message.ends_with("\n他 5 個")) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 21);
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
