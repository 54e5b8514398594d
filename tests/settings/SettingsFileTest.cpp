#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/IniFile.h"
#include "settings/Reactions.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsFile.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using Entries = std::vector<std::string>;
using test::ReadFile;
using test::WriteFile;

class SettingsFileTest : public ::testing::Test {
  protected:
    test::TempTree tree;
    std::string file = tree / "mine.neb";

    // A state far from the reset values on every key a file holds.
    WindowSettings BusySettings() {
        WindowSettings s;
        const std::string a = tree.MakeDir("写真/A");
        const std::string b = tree.MakeDir("表 B");
        const std::string t = tree.MakeDir("tree");
        SetTreeDirectory(s, 1, t);
        SetTreeDirectory(s, 2, tree.Path());
        DropDirectories(s, 2, {a, b});
        SetSubDirChk(s, 2, true);
        SetLzhChk(s, 2, true);
        SetArcExeChk(s, true);
        s.NoDelChk = false;
        s.DelChk = false;
        s.CheckLog = true;
        SetCheckHidden(s, true);
        SetCheckSystem(s, true);
        s.SizeBox1 = false;
        s.SizeMin = "10";
        s.SizeMax = "2000";
        s.CheckDelDir = true;
        s.CheckTrash = true;
        s.DiffListChk = true;
        s.Side(1).Fmask = "*.jpg;*.ｊｐｇ";
        s.Side(1).noFmask = "~*";
        s.Results.ShoriFontName = "IPAGothic";
        s.Results.ShoriFontSize = 11;
        s.Results.ShoriWinHeight = 500;
        s.Results.ShoriWinWidth = 800;
        s.Results.ShoriColWidth = {1, 2, 3, 4, 5};
        return s;
    }
};

TEST_F(SettingsFileTest, SavedSettingsLoadBackUnchanged) {
    const WindowSettings saved = BusySettings();
    ASSERT_EQ(SaveSettingsFile(saved, file), std::nullopt);

    WindowSettings loaded;
    ASSERT_EQ(LoadSettingsFile(loaded, file), std::nullopt);
    EXPECT_EQ(loaded, saved);
}

TEST_F(SettingsFileTest, WritesShiftJisWithCrLfInTheFileOrder) {
    WindowSettings s;
    SetTreeDirectory(s, 1, tree.MakeDir("データ"));
    ASSERT_EQ(SaveSettingsFile(s, file), std::nullopt);
    const std::string bytes = ReadFile(file);
    EXPECT_TRUE(bytes.starts_with("[NEBU]\r\nVersion=Ver1.4\r\nSubDirChk1=0\r\nSubDirChk2=0\r\n"));
    EXPECT_NE(bytes.find("\r\nDirectoryListBox1=" + tree.Path() + "/\x83\x66\x81\x5B\x83\x5E\r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("\r\nSizeMax=100000000\r\nDirListText1=\r\n"), std::string::npos);
    EXPECT_TRUE(bytes.ends_with("\r\nCheckDelDir=0\r\nCheckTrash=0\r\nDiffListChk=0\r\n"));
    EXPECT_EQ(bytes.find("DiffColWidth"), std::string::npos);
    EXPECT_EQ(bytes.find("shozon"), std::string::npos);
}

TEST_F(SettingsFileTest, MissingKeysGiveResetValuesNotThePreviousState) {
    WindowSettings s = BusySettings();
    WriteFile(file, "[NEBU]\r\nCheckLog=1\r\nnoFmask2=*.tmp\r\n");
    ASSERT_EQ(LoadSettingsFile(s, file), std::nullopt);

    WindowSettings expected;
    expected.CheckLog = true;
    expected.Side(2).noFmask = "*.tmp";
    expected.Results = s.Results;  // a reset leaves the layout alone
    // The target list is emptied, so the target side is at its tree again.
    EXPECT_EQ(s, expected);
    EXPECT_EQ(s.Results.ShoriFontSize, 11);
}

TEST_F(SettingsFileTest, ShiftJisFileWithJapaneseDirectoriesLoads) {
    const std::string photos = tree.MakeDir("写真");
    const std::string table = tree.MakeDir("表");
    const std::string root = tree.Path();
    // 写真 and 表 in CP932; the second byte of 表 is a backslash.
    const std::string photosSjis = root + "/\x8E\xCA\x90\x5E";
    const std::string tableSjis = root + "/\x95\x5C";
    WriteFile(file, "; made on Windows\r\n[nebu]\r\nsubdirchk1 = 1 \r\nDirListText1=" + photosSjis +
                        ",\"" + tableSjis + "\"\r\nDirectoryListBox2=" + tableSjis +
                        "\r\nFmask2=*.\x83\x66\x81\x5B\x83\x5E\r\n");
    WindowSettings s;
    ASSERT_EQ(LoadSettingsFile(s, file), std::nullopt);
    EXPECT_TRUE(s.Side(1).SubDirChk);
    EXPECT_EQ(s.Side(1).DirListText, (Entries{photos, table}));
    EXPECT_TRUE(s.Side(1).DirListShown) << "the sub-directory change normalised the list";
    EXPECT_EQ(s.Side(2).DirectoryListBox, table);
    EXPECT_EQ(s.Side(2).Fmask, "*.データ");
}

TEST_F(SettingsFileTest, DirectoryListWithBlankAndQuoteRoundTrips) {
    const std::string plain = tree.MakeDir("A");
    const std::string blank = tree.MakeDir("B C");
    const std::string quote = tree.MakeDir("say \"hi\"");
    WindowSettings s;
    DropDirectories(s, 1, {quote, plain, blank});
    ASSERT_EQ(SaveSettingsFile(s, file), std::nullopt);
    const std::string root = tree.Path();
    EXPECT_NE(ReadFile(file).find("\r\nDirListText1=" + plain + ",\"" + blank + "\",\"" + root +
                                  "/say \"\"hi\"\"\"\r\n"),
              std::string::npos);

    WindowSettings loaded;
    ASSERT_EQ(LoadSettingsFile(loaded, file), std::nullopt);
    EXPECT_EQ(loaded.Side(1).DirListText, (Entries{plain, blank, quote}));
    EXPECT_TRUE(loaded.Side(1).DirListShown) << "a list with entries is shown after a load";
}

TEST_F(SettingsFileTest, ListThatBeginsAndEndsWithQuotedEntriesRoundTrips) {
    WindowSettings s;
    s.Side(2).DirListText = {"/a b", "/m", "/z y"};
    ASSERT_EQ(SaveSettingsFile(s, file), std::nullopt);
    WindowSettings loaded;
    ASSERT_EQ(LoadSettingsFile(loaded, file), std::nullopt);
    EXPECT_EQ(loaded.Side(2).DirListText, s.Side(2).DirListText);
}

TEST_F(SettingsFileTest, CharacterOutsideCp932WritesTheWholeFileAsUtf8WithBom) {
    WindowSettings s;
    s.Side(1).Fmask = "*.한";
    SetTreeDirectory(s, 2, tree.MakeDir("データ"));
    ASSERT_EQ(SaveSettingsFile(s, file), std::nullopt);
    const std::string bytes = ReadFile(file);
    EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF[NEBU]\r\n"));
    EXPECT_NE(bytes.find("DirectoryListBox2=" + tree.Path() + "/データ\r\n"), std::string::npos);

    WindowSettings loaded;
    ASSERT_EQ(LoadSettingsFile(loaded, file), std::nullopt);
    EXPECT_EQ(loaded, s);

    // Once every character fits again the file goes back to Shift-JIS.
    s.Side(1).Fmask = "*.txt";
    ASSERT_EQ(SaveSettingsFile(s, file), std::nullopt);
    EXPECT_TRUE(ReadFile(file).starts_with("[NEBU]\r\n"));
}

TEST_F(SettingsFileTest, ShiftJisThatWouldReadAsUtf8IsWrittenAsUtf8) {
    WindowSettings s;
    s.Side(1).Fmask = "ﾃデ";                // C3 83 66 in Shift-JIS: valid UTF-8 for "Ãf"
    s.Results.ShoriFontName = "IPAGothic";  // nothing else in the file is kana or kanji
    ASSERT_EQ(SaveSettingsFile(s, file), std::nullopt);
    EXPECT_TRUE(ReadFile(file).starts_with("\xEF\xBB\xBF[NEBU]\r\n"));
    WindowSettings loaded;
    ASSERT_EQ(LoadSettingsFile(loaded, file), std::nullopt);
    EXPECT_EQ(loaded.Side(1).Fmask, "ﾃデ");
}

TEST_F(SettingsFileTest, SavingKeepsOtherLinesAndUpdatesKeysInPlace) {
    WriteFile(file,
              "; comment\r\n[Other]\r\nFmask1=keep\r\n\r\n[NEBU]\r\nfmask1=*.old\r\nMine=1\r\n\r\n"
              "[Tail]\r\nx=y\r\n");
    WindowSettings s;
    s.Side(1).Fmask = "*.new";
    ASSERT_EQ(SaveSettingsFile(s, file), std::nullopt);
    const std::string bytes = ReadFile(file);
    EXPECT_TRUE(bytes.starts_with(
        "; comment\r\n[Other]\r\nFmask1=keep\r\n\r\n[NEBU]\r\nFmask1=*.new\r\nMine=1\r\n"
        "Version=Ver1.4\r\nSubDirChk1=0\r\n"));
    EXPECT_TRUE(bytes.ends_with("DiffListChk=0\r\n\r\n[Tail]\r\nx=y\r\n"));
    EXPECT_EQ(bytes.find("*.old"), std::string::npos);

    IniFile ini;
    ini.Parse(bytes);
    EXPECT_EQ(ini.Get("other", "FMASK1"), "keep");
}

TEST_F(SettingsFileTest, ValueWithALineBreakIsRefusedAndNothingIsWritten) {
    WindowSettings s;
    s.Side(1).DirectoryListBox = "/tmp/a\nb";
    EXPECT_NE(SaveSettingsFile(s, file), std::nullopt);
    EXPECT_FALSE(test::Exists(file));
}

TEST_F(SettingsFileTest, UnwritableTargetReportsTheFile) {
    const std::string inMissingFolder = tree / "no/such/folder/x.neb";
    const auto error = SaveSettingsFile(WindowSettings{}, inMissingFolder);
    ASSERT_NE(error, std::nullopt);
    EXPECT_NE(error->find(inMissingFolder), std::string::npos);
}

TEST_F(SettingsFileTest, MissingFileChangesNothing) {
    WindowSettings s = BusySettings();
    const WindowSettings before = s;
    EXPECT_EQ(LoadSettingsFile(s, tree / "absent.neb"), std::string(kNoSettingsFileMessage));
    EXPECT_EQ(LoadSettingsFile(s, tree.Path()), std::string(kNoSettingsFileMessage));
    EXPECT_EQ(s, before);
}

TEST_F(SettingsFileTest, BadNumbersAndVanishedDirectoriesFallBack) {
    WriteFile(file,
              "[NEBU]\r\nNoDelChk=x\r\nCheckLog=2\r\nShoriFontSize=12pt\r\n"
              "DirectoryListBox1=" +
                  tree.Path() + "/gone\r\nDirectoryListBox2=\r\n");
    WindowSettings s;
    s.Side(1).DirectoryListBox = tree.Path();
    ASSERT_EQ(LoadSettingsFile(s, file), std::nullopt);
    EXPECT_TRUE(s.NoDelChk) << "not a number: the reset value stays";
    EXPECT_TRUE(s.CheckLog) << "any number but 0 is on";
    EXPECT_EQ(s.Results.ShoriFontSize, ResultsLayout{}.ShoriFontSize);
    EXPECT_EQ(s.Side(1).DirectoryListBox, "/");
    EXPECT_EQ(s.Side(2).DirectoryListBox, "/");
}

TEST_F(SettingsFileTest, MissingArchiverTurnsItsBoxesOffOnBothSides) {
    WriteFile(file, "[NEBU]\r\nLzhChk1=1\r\nLzhChk2=1\r\nZipChk2=1\r\n");
    WindowSettings s;
    s.LzhEnabled = false;
    ASSERT_EQ(LoadSettingsFile(s, file), std::nullopt);
    EXPECT_FALSE(s.Side(1).LzhChk);
    EXPECT_FALSE(s.Side(2).LzhChk);
    EXPECT_TRUE(s.Side(2).ZipChk);
    EXPECT_EQ(s.Side(1).Fmask, "*.*");
    EXPECT_TRUE(s.Side(1).MaskFieldsEnabled);
    EXPECT_EQ(s.Side(2).Fmask, "*.zip");
}

TEST_F(SettingsFileTest, CheckSameLoadCopiesTheSourceSide) {
    const std::string src = tree.MakeDir("src");
    WriteFile(file, "[NEBU]\r\nCheckSame=1\r\nFmask1=*.c\r\nDirectoryListBox1=" + src +
                        "\r\nSubDirChk1=1\r\n");
    WindowSettings s;
    ASSERT_EQ(LoadSettingsFile(s, file), std::nullopt);
    EXPECT_EQ(s.Side(2).DirectoryListBox, src);
    EXPECT_EQ(s.Side(2).Fmask, "*.c");
    EXPECT_TRUE(s.Side(2).SubDirChk);
}

TEST(SettingsFileName, AppendsTheExtensionWhenTheFileNameHasNoDot) {
    EXPECT_EQ(SettingsFileName("/set/mine"), "/set/mine.neb");
    EXPECT_EQ(SettingsFileName("/home/john.doe/.config/mine"), "/home/john.doe/.config/mine.neb");
    EXPECT_EQ(SettingsFileName("mine"), "mine.neb");
    EXPECT_EQ(SettingsFileName("/set/mine.ini"), "/set/mine.ini");
    EXPECT_EQ(SettingsFileName("/set/.hidden"), "/set/.hidden");
}

TEST(SetSettingByName, ActsAsAUserChangeWithReactions) {
    test::TempTree tree;
    WindowSettings s;
    EXPECT_EQ(SetSettingFromText(s, "lzhchk2=1"), std::nullopt);
    EXPECT_EQ(s.Side(2).Fmask, "*.lzh");
    EXPECT_FALSE(s.Side(2).MaskFieldsEnabled);

    EXPECT_EQ(SetSettingFromText(s, "CheckSame=1"), std::nullopt);
    EXPECT_EQ(SetSettingFromText(s, "Fmask1=*.txt"), std::nullopt);
    EXPECT_EQ(s.Side(2).Fmask, "*.txt") << "a typed mask copies its side";

    const std::string a = tree.MakeDir("a");
    EXPECT_EQ(SetSettingFromText(s, "DirListText1=" + a + "/file.txt"), std::nullopt);
    EXPECT_EQ(s.Side(1).DirListText, Entries{a});
    EXPECT_TRUE(s.Side(1).DirListShown);
    EXPECT_EQ(s.Side(2).DirListText, Entries{a});

    EXPECT_EQ(SetSettingFromText(s, "DirectoryListBox2=" + a), std::nullopt);
    EXPECT_EQ(s.Side(2).DirectoryListBox, a);
    EXPECT_EQ(SetSettingFromText(s, "ShoriColWidth4=77"), std::nullopt);
    EXPECT_EQ(s.Results.ShoriColWidth[4], 77);
}

TEST(SetSettingByName, RefusesWhatAUserCouldNotSetAndChangesNothing) {
    WindowSettings s;
    s.ZipEnabled = false;
    const WindowSettings before = s;
    EXPECT_NE(SetSettingFromText(s, "NoSuchKey=1"), std::nullopt);
    EXPECT_NE(SetSettingFromText(s, "Version=Ver9"), std::nullopt);
    EXPECT_NE(SetSettingFromText(s, "SubDirChk1=yes"), std::nullopt);
    EXPECT_NE(SetSettingFromText(s, "SizeMin=12a"), std::nullopt);
    EXPECT_NE(SetSettingFromText(s, "SizeMax=1234567890"), std::nullopt);
    EXPECT_NE(SetSettingFromText(s, "DirectoryListBox1=/no/such/dir/here"), std::nullopt);
    EXPECT_NE(SetSettingFromText(s, "ZipChk1=1"), std::nullopt);
    EXPECT_NE(SetSettingFromText(s, "Fmask1=a\nb"), std::nullopt);
    EXPECT_NE(SetSettingFromText(s, "CheckLog"), std::nullopt);
    EXPECT_EQ(s, before);
}

}  // namespace
}  // namespace nebu
