#include <gtest/gtest.h>

#include "journal/JsonText.h"

namespace nebu {
namespace {

std::string Quoted(std::string_view text) {
    std::string out;
    json_text::AppendJsonString(out, text);
    return out;
}

std::string Member(std::string_view key, std::string_view bytes) {
    std::string out;
    json_text::AppendBytesMember(out, key, bytes);
    return out;
}

TEST(JsonTextTest, EscapesWhatJsonForbidsAndMarksBytesThatAreNotUtf8) {
    EXPECT_EQ(Quoted("a\"b\\c\n\t\x01\x7f"), "\"a\\\"b\\\\c\\n\\t\\u0001\x7f\"");
    EXPECT_EQ(Quoted(json_text::ShownWithByteEscapes("写し/\x82\xA0")), "\"写し/\\\\x82\\\\xA0\"");
    EXPECT_EQ(Member("target", "写し"), "\"target\":\"写し\"");
    EXPECT_EQ(Member("target", "\x82\xA0"),
              "\"target\":\"\\\\x82\\\\xA0\",\"target_base64\":\"gqA=\"");
}

TEST(JsonTextTest, Base64MatchesTheStandardVectors) {
    const char* const expected[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
    const std::string text = "foobar";
    for (std::size_t n = 0; n <= text.size(); ++n)
        EXPECT_EQ(json_text::Base64(text.substr(0, n)), expected[n]);
}

}  // namespace
}  // namespace nebu
