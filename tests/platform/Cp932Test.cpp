#include <gtest/gtest.h>

#include "platform/ArchiveNames.h"
#include "platform/Cp932.h"

namespace nebu::platform {
namespace {

const std::string kNihongoCp932 = "\x93\xfa\x96\x7b\x8c\xea";  // 日本語

TEST(Cp932, ConvertsBothWaysWithoutLoss) {
    EXPECT_EQ(Utf8ToCp932("日本語.txt"), kNihongoCp932 + ".txt");
    EXPECT_EQ(Cp932ToUtf8(kNihongoCp932 + ".txt"), "日本語.txt");
    // Trail bytes 0x5C and 0x7C must not be taken for "\" or "|".
    EXPECT_EQ(Utf8ToCp932("表ソ"), "\x95\x5c\x83\x5c");
    EXPECT_EQ(Cp932ToUtf8("\x95\x5c\x83\x5c"), "表ソ");
    EXPECT_EQ(Cp932ToUtf8("\xb1\xb2\xb3"), "ｱｲｳ");  // half-width katakana
    EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(Cp932, RejectsWhatItCannotConvert) {
    EXPECT_EQ(Cp932ToUtf8("abc\x82"), std::nullopt);   // lead byte without trail
    EXPECT_EQ(Cp932ToUtf8("\x82\x20"), std::nullopt);  // trail byte out of range
    EXPECT_EQ(Utf8ToCp932("smile \xf0\x9f\x98\x80"), std::nullopt);
    EXPECT_EQ(Utf8ToCp932("bad \xff byte"), std::nullopt);
    // WAVE DASH converts to 0x8160, which reads back as FULLWIDTH TILDE: a
    // path saved that way would name another file.
    EXPECT_EQ(Utf8ToCp932("a\xe3\x80\x9c"), std::nullopt);
    EXPECT_EQ(Utf8ToCp932("a\xef\xbd\x9e"), "a\x81\x60");
}

TEST(Cp932, LossyConversionMarksEachMissingCharacter) {
    EXPECT_EQ(Utf8ToCp932Lossy("a\xf0\x9f\x98\x80"
                               "b"),
              "a?b");
    EXPECT_EQ(Utf8ToCp932Lossy("caf\xc3\xa9 日本語"), "caf? " + kNihongoCp932);
    EXPECT_EQ(Utf8ToCp932Lossy("x\xffy"), "x?y");
    EXPECT_EQ(Utf8ToCp932Lossy("\xf0\x9f\x98\x80\xf0\x9f\x98\x80"), "??");
}

TEST(Cp932, RecognisesValidUtf8Only) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain.txt"));
    EXPECT_TRUE(IsValidUtf8("日本語ﾃｽﾄ\xf0\x9f\x98\x80"));
    EXPECT_FALSE(IsValidUtf8(kNihongoCp932));
    EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));          // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xe0\x80\xaf"));      // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xf4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xe6\x97"));          // cut short
    EXPECT_FALSE(IsValidUtf8("a\x80"));             // stray continuation
}

TEST(ArchiveNames, DecodesStoredNamesByTheDocumentedRule) {
    EXPECT_EQ(DecodeStoredName("dir/file.txt"), "dir/file.txt");
    EXPECT_EQ(DecodeStoredName("フォルダ/日本語.txt"), "フォルダ/日本語.txt");
    EXPECT_EQ(DecodeStoredName("dir/" + kNihongoCp932 + ".txt"), "dir/日本語.txt");
    EXPECT_EQ(DecodeStoredName("\xb1\xb2\xb3.txt"), "ｱｲｳ.txt");
    // A reader that turned "\" into "/" broke the 0x5C trail byte of 表.
    EXPECT_EQ(DecodeStoredName("\x95/\x83/.txt"), "表ソ.txt");
    EXPECT_EQ(DecodeStoredName("\x95//\x83/.txt"), "表/ソ.txt");
    // Neither UTF-8 nor CP932: Latin-1, so the name stays distinct.
    EXPECT_EQ(DecodeStoredName("\xe9t\xe9"), "été");
    EXPECT_EQ(DecodeStoredName("\xff\xfe"), "ÿþ");
}

TEST(ArchiveNames, RecoversLatin1Bytes) {
    EXPECT_EQ(Latin1Bytes("abc"), "abc");
    EXPECT_EQ(Latin1Bytes("\xc2\x93\xc3\xba"), "\x93\xfa");
    EXPECT_EQ(Latin1Bytes("日"), std::nullopt);
    EXPECT_EQ(Latin1Bytes("\xc3"), std::nullopt);
}

TEST(ArchiveNames, ExtractsOnlyPlainFileNames) {
    EXPECT_EQ(ExtractableLeafName("a.txt"), "a.txt");
    EXPECT_EQ(ExtractableLeafName("dir/sub/日本語.txt"), "日本語.txt");
    EXPECT_EQ(ExtractableLeafName("..a/b..c"), "b..c");
    EXPECT_EQ(ExtractableLeafName("x\\y"), "x\\y");  // a plain character on Linux
    for (const char* bad : {"", "/abs/x", "\\abs", "../x", "a/../x", "a/..", "..\\x", "a\\..\\x",
                            "dir/", "a/.", ".", ".."}) {
        EXPECT_EQ(ExtractableLeafName(bad), std::nullopt) << bad;
    }
}

TEST(ArchiveNames, MatchesWildcards) {
    EXPECT_TRUE(WildcardMatches("*.*", "noextension"));
    EXPECT_TRUE(WildcardMatches("*.*", "dir/"));
    EXPECT_TRUE(WildcardMatches("", "x"));
    EXPECT_TRUE(WildcardMatches("*.txt", "dir/a.txt"));
    EXPECT_FALSE(WildcardMatches("*.txt", "a.bin"));
    EXPECT_TRUE(WildcardMatches("?.txt", "日.txt"));
    EXPECT_FALSE(WildcardMatches("?.txt", "日本.txt"));
    EXPECT_TRUE(WildcardMatches("a*b*c", "aXbYc"));
    EXPECT_FALSE(WildcardMatches("a*b*c", "aXbY"));
}

}  // namespace
}  // namespace nebu::platform
