#include <gtest/gtest.h>

#include "report/JsonText.h"

namespace nebu {
namespace {

TEST(JsonTextTest, EscapesWhatJsonForbidsAndMarksBytesThatAreNotUtf8) {
    EXPECT_EQ(jsonQuoted("a\"b\\c\n\t\x01\x7f"), "\"a\\\"b\\\\c\\n\\t\\u0001\\u007F\"");
    EXPECT_EQ(jsonQuoted("写し/\x82\xA0"), "\"写し/\\\\x82\\\\xA0\"");
    EXPECT_EQ(jsonNameField("target", "写し"), "\"target\":\"写し\"");
    EXPECT_EQ(jsonNameField("target", "\x82\xA0"),
              "\"target\":\"\\\\x82\\\\xA0\",\"target_base64\":\"gqA=\"");
}

TEST(JsonTextTest, Base64MatchesTheStandardVectors) {
    const char* const expected[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
    const std::string text = "foobar";
    for (std::size_t n = 0; n <= text.size(); ++n)
        EXPECT_EQ(base64(text.substr(0, n)), expected[n]);
}

}  // namespace
}  // namespace nebu
