#include <gtest/gtest.h>

#include <string>

#include "platform/PathText.h"

namespace nebu::platform {
namespace {

TEST(PathTextCharLength, CountsWholeUtf8Characters) {
    const std::string text =
        "aé"
        "あ"
        "😀";
    EXPECT_EQ(CharLength(text, 0), 1u);
    EXPECT_EQ(CharLength(text, 1), 2u);
    EXPECT_EQ(CharLength(text, 3), 3u);
    EXPECT_EQ(CharLength(text, 6), 4u);
    EXPECT_EQ(CharLength(text, text.size()), 0u);
}

TEST(PathTextCharLength, MalformedBytesStandAloneAndNeverRunPastTheEnd) {
    // A lead byte cut off at the end, a stray continuation byte, an overlong
    // "/" and a surrogate: each byte is a character of its own.
    const std::string samples[] = {"\xE3\x81",     "x\x81y",           "\xC0\xAF",
                                   "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF0\x9F\x98"};
    for (const std::string& text : samples) {
        std::size_t pos = 0;
        std::size_t steps = 0;
        while (pos < text.size()) {
            const std::size_t length = CharLength(text, pos);
            ASSERT_EQ(length, 1u) << "at " << pos;
            pos += length;
            ++steps;
        }
        EXPECT_EQ(pos, text.size());
        EXPECT_EQ(steps, text.size());
    }
    // A complete character right before a truncated one keeps its length.
    EXPECT_EQ(CharLength("あ\xE3\x81", 0), 3u);
}

TEST(PathTextCharLength, CharStartsAreNeverInsideACharacter) {
    const std::string text =
        "あ\x81"
        "b";
    EXPECT_TRUE(IsCharStart(text, 0));
    EXPECT_FALSE(IsCharStart(text, 1));
    EXPECT_FALSE(IsCharStart(text, 2));
    EXPECT_TRUE(IsCharStart(text, 3));  // stray continuation byte after a full character
    EXPECT_TRUE(IsCharStart(text, 4));
    EXPECT_FALSE(IsCharStart(text, 5));
    EXPECT_TRUE(IsCharStart("\xE3\x81", 1));  // the lead was cut off, so the byte stands alone
}

TEST(PathTextUpper, ChangesAsciiLettersOnly) {
    EXPECT_EQ(AsciiUpper("readme.txt"), "README.TXT");
    EXPECT_EQ(AsciiUpper("éあｂz_1"), "éあｂZ_1");
    EXPECT_EQ(AsciiUpper("\xC3"), "\xC3");
}

TEST(PathTextSeparators, LastSeparatorAndTrailingSeparator) {
    EXPECT_EQ(LastSeparator("/home/ユーザー/資料.txt"), std::string("/home/ユーザー").size());
    EXPECT_EQ(LastSeparator("資料.txt"), std::string::npos);
    EXPECT_EQ(LastSeparator("/"), 0u);

    EXPECT_EQ(WithTrailingSeparator("/data"), "/data/");
    EXPECT_EQ(WithTrailingSeparator("/data/"), "/data/");
    EXPECT_EQ(WithTrailingSeparator("/"), "/");
    EXPECT_EQ(WithTrailingSeparator(""), "");
}

TEST(PathTextCompare, IgnoresCaseOfAsciiLettersOnly) {
    EXPECT_EQ(CompareAsciiNoCase("/Data/a", "/data/A"), 0);
    EXPECT_LT(CompareAsciiNoCase("abc", "ABD"), 0);
    EXPECT_GT(CompareAsciiNoCase("abc", "AB"), 0);
    EXPECT_NE(CompareAsciiNoCase("É", "é"), 0);
    // Bytes compare unsigned: a multibyte character sorts after ASCII.
    EXPECT_GT(CompareAsciiNoCase("あ", "z"), 0);
}

}  // namespace
}  // namespace nebu::platform
