#include <gtest/gtest.h>

#include <string>

#include "settings/MaskText.h"
#include "settings/Reactions.h"
#include "settings/WindowSettings.h"

namespace nebu {
namespace {

TEST(NormalizeMask, FoldsRunsAndEndsEveryPatternWithASemicolon) {
    const struct {
        const char* field;
        const char* mask;
    } cases[] = {
        {"**?.c;;", "?*.C;"},
        {"a*?*b", "A?*B;"},
        {"", "*;"},
        {"*.*", "*;"},
        {"*.txt;*.doc", "*.TXT;*.DOC;"},
        {";*.txt", "*.TXT;"},
        {";;;", "*;"},
        {"*.*;*.txt", "*.*;*.TXT;"},
        {"?*?**x", "??*X;"},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalizeMask(c.field), c.mask) << c.field;
}

TEST(NormalizeMask, KeepsMultibyteCharactersWholeAndUpperCasesAsciiOnly) {
    EXPECT_EQ(NormalizeMask("*.テキスト"), "*.テキスト;");
    EXPECT_EQ(NormalizeMask("日本**?語;;*.txt"), "日本?*語;*.TXT;");
    // Full-width and accented letters are not ASCII and keep their case.
    EXPECT_EQ(NormalizeMask("ａb*é"), "ａB*é;");
}

TEST(SetArchiveMasks, FollowsTheArchiveBoxesAndArcExeChk) {
    WindowSettings s;
    s.Side(1).noFmask = "*.bak";
    SetLzhChk(s, 1, true);
    EXPECT_EQ(s.Side(1).Fmask, "*.lzh");
    EXPECT_EQ(s.Side(1).noFmask, "");
    EXPECT_FALSE(s.Side(1).MaskFieldsEnabled);

    SetZipChk(s, 1, true);
    EXPECT_EQ(s.Side(1).Fmask, "*.lzh;*.zip");

    SetArcExeChk(s, true);
    EXPECT_EQ(s.Side(1).Fmask, "*.lzh;*.zip;*.exe");
    EXPECT_EQ(s.Side(2).Fmask, "*.*") << "a side without archives keeps its masks";

    SetArcExeChk(s, false);
    EXPECT_EQ(s.Side(1).Fmask, "*.lzh;*.zip");

    SetLzhChk(s, 1, false);
    SetZipChk(s, 1, false);
    EXPECT_EQ(s.Side(1).Fmask, "*.*");
    EXPECT_EQ(s.Side(1).noFmask, "");
    EXPECT_TRUE(s.Side(1).MaskFieldsEnabled);
}

TEST(SetArchiveMasks, ArcExeChkLeavesSidesWithoutArchivesAlone) {
    WindowSettings s;
    s.Side(1).Fmask = "*.txt";
    s.Side(2).noFmask = "*.tmp";
    SetArcExeChk(s, true);
    SetArcAllChk(s, true);
    EXPECT_EQ(s.Side(1).Fmask, "*.txt");
    EXPECT_EQ(s.Side(2).noFmask, "*.tmp");

    SetZipChk(s, 2, true);
    EXPECT_EQ(s.Side(2).Fmask, "*.zip;*.exe");
}

TEST(CopySameConditions, CopiesOnlyWhileCheckSameIsOn) {
    WindowSettings s;
    SetSubDirChk(s, 1, true);
    EXPECT_FALSE(s.Side(2).SubDirChk);

    SetCheckSame(s, true);
    EXPECT_TRUE(s.Side(2).SubDirChk) << "turning CheckSame on copies the source side";
    SetSubDirChk(s, 1, false);
    EXPECT_FALSE(s.Side(2).SubDirChk);
}

TEST(CopySameConditions, TurningCheckSameOnCopiesSourceToTargetAndNothingBack) {
    WindowSettings s;
    s.Side(1).Fmask = "*.txt";
    s.Side(1).noFmask = "*.bak";
    s.Side(1).DirectoryListBox = "/usr";
    s.Side(1).DirListText = {"/a", "/b"};
    s.Side(1).DirListShown = true;
    // The target compares LZH contents; the copy turns that off, and the
    // target's own mask rule then resets its mask. That change must not
    // travel back to the source.
    SetLzhChk(s, 2, true);
    s.Side(2).DirectoryListBox = "/var";

    SetCheckSame(s, true);

    EXPECT_EQ(s.Side(1).Fmask, "*.txt");
    EXPECT_EQ(s.Side(1).noFmask, "*.bak");
    EXPECT_EQ(s.Side(1).DirectoryListBox, "/usr");
    EXPECT_FALSE(s.Side(2).LzhChk);
    EXPECT_EQ(s.Side(2).Fmask, "*.*");
    EXPECT_EQ(s.Side(2).noFmask, "");
    EXPECT_TRUE(s.Side(2).MaskFieldsEnabled);
    EXPECT_EQ(s.Side(2).DirectoryListBox, "/usr");
    EXPECT_EQ(s.Side(2).DirListText, s.Side(1).DirListText);
    EXPECT_TRUE(s.Side(2).DirListShown);
    // The copy is over: a later change copies again.
    TypeMask(s, 2, "*.doc");
    EXPECT_EQ(s.Side(1).Fmask, "*.doc");
}

TEST(CopySameConditions, TypingATargetMaskCopiesBothTargetMasksToTheSource) {
    WindowSettings s;
    SetCheckSame(s, true);
    TypeMask(s, 2, "*.doc");
    TypeIgnoreMask(s, 2, "~*");
    EXPECT_EQ(s.Side(1).Fmask, "*.doc");
    EXPECT_EQ(s.Side(1).noFmask, "~*");
}

TEST(CopySameConditions, ArchiveBoxOnOneSideReachesTheOtherWithItsMaskRule) {
    WindowSettings s;
    SetCheckSame(s, true);
    SetArcExeChk(s, true);
    SetLzhChk(s, 1, true);
    EXPECT_TRUE(s.Side(2).LzhChk);
    EXPECT_EQ(s.Side(2).Fmask, "*.lzh;*.exe");
    EXPECT_FALSE(s.Side(2).MaskFieldsEnabled);
}

TEST(UpdateSearchAttr, AddsHiddenAndSystemBits) {
    WindowSettings s;
    EXPECT_EQ(s.SearchAttr, 49u);
    SetCheckHidden(s, true);
    EXPECT_EQ(s.SearchAttr, 51u);
    SetCheckSystem(s, true);
    EXPECT_EQ(s.SearchAttr, 55u);
    SetCheckHidden(s, false);
    EXPECT_EQ(s.SearchAttr, 53u);
}

TEST(ResetToDefaults, RestoresEveryResetValueButKeepsListShownAndLayout) {
    WindowSettings s;
    SetCheckSame(s, true);
    SetLzhChk(s, 2, true);
    SetSubDirChk(s, 1, true);
    SetCheckHidden(s, true);
    s.NoDelChk = false;
    s.SizeBox1 = false;
    s.SizeMin = "5";
    s.Side(1).DirListText = {"/x"};
    s.Side(1).DirListShown = true;
    s.Side(1).DirectoryListBox = "/usr";
    s.Results.ShoriFontSize = 14;

    ResetToDefaults(s);

    WindowSettings expected;
    expected.Side(1).DirListShown = true;
    // The first reset step still copied side 1, shown list included.
    expected.Side(2).DirListShown = true;
    expected.Results.ShoriFontSize = 14;
    EXPECT_EQ(s, expected);
    EXPECT_TRUE(s.Side(1).DirListShown) << "the list is emptied, not hidden";
}

}  // namespace
}  // namespace nebu
