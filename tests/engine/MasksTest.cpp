#include <gtest/gtest.h>

#include "engine/Masks.h"

namespace nebu {
namespace {

TEST(MaskList, StarItemsAndExtensions) {
    EXPECT_TRUE(MatchMaskList("*;", "README"));
    EXPECT_TRUE(MatchMaskList("*;", "A.B.C"));
    EXPECT_TRUE(MatchMaskList("*.*;", "README"));

    EXPECT_TRUE(MatchMaskList("*.TXT;", "A.TXT"));
    EXPECT_TRUE(MatchMaskList("*.TXT;", "A.B.TXT"));
    EXPECT_FALSE(MatchMaskList("*.TXT;", "A.TXT.BAK"));
    EXPECT_FALSE(MatchMaskList("*.TXT;", "TXT"));

    EXPECT_TRUE(MatchMaskList("*.;", "README"));
    EXPECT_FALSE(MatchMaskList("*.;", "README.TXT"));
    EXPECT_FALSE(MatchMaskList("*.;", "README."));

    EXPECT_TRUE(MatchMaskList("ABC.*;", "ABC"));
    EXPECT_TRUE(MatchMaskList("ABC.*;", "ABC.DOC"));
    EXPECT_FALSE(MatchMaskList("ABC.*;", "ABCD.DOC"));
    EXPECT_FALSE(MatchMaskList("ABC.D*;", "ABC"));
}

TEST(MaskList, ItemsAreTriedLeftToRightAndEmptyListTakesNothing) {
    EXPECT_TRUE(MatchMaskList("*.LZH;*.ZIP;*.EXE;", "setup.exe"));
    EXPECT_FALSE(MatchMaskList("*.LZH;*.ZIP;", "setup.exe"));
    EXPECT_TRUE(MatchMaskList("*.LZH;*.ZIP", "a.zip"));  // last item without ";"
    EXPECT_FALSE(MatchMaskList("", "README"));
    EXPECT_FALSE(MatchMaskList("", ""));
}

TEST(MaskList, NameIsUpperCasedInAsciiOnly) {
    EXPECT_TRUE(MatchMaskList("*.TXT;", "a.txt"));
    EXPECT_TRUE(MatchMaskList("メモ*.TXT;", "メモ帳.Txt"));
    // "é" has no ASCII upper case; the mask's "É" is a different character.
    EXPECT_FALSE(MatchMaskList("CAFÉ.*;", "café.txt"));
    EXPECT_TRUE(MatchMaskList("CAFé.*;", "café.txt"));
}

TEST(MaskList, QuestionMarkTakesOneWholeCharacter) {
    EXPECT_TRUE(MatchMaskList("?.TXT;", "A.TXT"));
    EXPECT_TRUE(MatchMaskList("?.TXT;", "あ.TXT"));
    EXPECT_TRUE(MatchMaskList("?.TXT;", "😀.txt"));
    EXPECT_FALSE(MatchMaskList("?.TXT;", "AB.TXT"));
    EXPECT_FALSE(MatchMaskList("?.TXT;", ".TXT"));
    EXPECT_TRUE(MatchMaskList("??.*;", "日本.doc"));
    EXPECT_FALSE(MatchMaskList("???.*;", "日本.doc"));
    // Each byte of a malformed sequence is a character of its own.
    EXPECT_TRUE(MatchWildcard("??", "\xE3\x81"));
    EXPECT_FALSE(MatchWildcard("?", "\xE3\x81"));
}

TEST(Wildcard, StarRetriesUntilAMatchIsFound) {
    EXPECT_TRUE(MatchWildcard("*AB", "ABAB"));
    EXPECT_TRUE(MatchWildcard("*AB", "XAB"));
    EXPECT_FALSE(MatchWildcard("*AB", "ABA"));
    EXPECT_TRUE(MatchMaskList("*AB;", "ABAB"));
    EXPECT_TRUE(MatchMaskList("*_FINAL.*;", "report_final_final.doc"));
    EXPECT_TRUE(MatchMaskList("*_FINAL.DOC;", "report_final_final.doc"));
    EXPECT_TRUE(MatchWildcard("*A*", "BAB"));
    EXPECT_TRUE(MatchWildcard("*B?", "ABCBD"));
    EXPECT_TRUE(MatchWildcard("*あ?い*う", "ああxいいう"));
    EXPECT_FALSE(MatchWildcard("*あ?い*う", "ああxい"));
    // "?" right after "*" takes one character wherever the rest fits.
    EXPECT_TRUE(MatchWildcard("*?C", "XYZC"));
    EXPECT_TRUE(MatchWildcard("*?あ", "いあ"));
    EXPECT_FALSE(MatchWildcard("*?", ""));
    // A run never starts inside a multibyte character.
    EXPECT_FALSE(MatchWildcard("*\x81\x82", "\xE3\x81\x82"));
}

TEST(Wildcard, EmptyAndAnchoredEnds) {
    EXPECT_TRUE(MatchWildcard("", ""));
    EXPECT_FALSE(MatchWildcard("", "A"));
    EXPECT_TRUE(MatchWildcard("*", ""));
    EXPECT_TRUE(MatchWildcard("**", "ABC"));
    EXPECT_FALSE(MatchWildcard("ABC", "AB"));
    EXPECT_FALSE(MatchWildcard("AB", "ABC"));
    EXPECT_TRUE(MatchWildcard("A*", "A"));
    EXPECT_FALSE(MatchWildcard("A?", "A"));
}

TEST(Wildcard, RunNeverMatchesPartOfACharacter) {
    // The pattern's two loose bytes are the tail of "あ" (E3 81 82); they may
    // only match where they stand alone, never inside the character.
    EXPECT_FALSE(MatchWildcard("*\x81\x82", "あ"));
    EXPECT_TRUE(MatchWildcard("*\x81\x82", "あ\x81\x82"));
    EXPECT_FALSE(MatchWildcard("\xE3\x81", "あ"));
}

}  // namespace
}  // namespace nebu
