// Names of any bytes through JSON text: generated names, each must come back
// exactly and be written as valid JSON text.

#include <gtest/gtest.h>

#include "journal/JsonText.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

TEST(JsonTextTest, AnyBytesRoundTripThroughAJsonLine) {
    const std::vector<std::string> fixed = {"",
                                            "plain.txt",
                                            "日本語.txt",
                                            "\x8E\x91\x97\xBF.txt" /* Shift-JIS */,
                                            "\xED\xA0\x80" /* surrogate */,
                                            "\xC0\xAF" /* overlong */,
                                            "\xF4\x90\x80\x80",
                                            "a\nb\"c\\"};
    std::vector<std::string> names = fixed;
    for (std::uint32_t seed = 1; seed <= 300; ++seed) names.push_back(RandomBytes(seed % 23, seed));
    for (const std::string& name : names) {
        nlohmann::json object;
        json_text::PutBytes(object, "path", name);
        const std::string line = object.dump();  // throws on text that is not UTF-8
        const nlohmann::json back = nlohmann::json::parse(line);
        EXPECT_EQ(json_text::GetBytes(back, "path"), name);
        EXPECT_EQ(back.contains("path_base64"), !json_text::IsUtf8(name));
        EXPECT_EQ(json_text::FromBase64(json_text::Base64(name)), name);
        // The hand-written member says exactly what the library says.
        std::string member = "{";
        json_text::AppendBytesMember(member, "path", name);
        member += "}";
        EXPECT_EQ(nlohmann::json::parse(member), object) << member;
    }
    EXPECT_TRUE(json_text::IsUtf8("日本語"));
    EXPECT_FALSE(json_text::IsUtf8(fixed[3]));
    EXPECT_FALSE(json_text::IsUtf8(fixed[4]));
    EXPECT_FALSE(json_text::IsUtf8(fixed[5]));
    EXPECT_EQ(json_text::ShownWithByteEscapes("a\xFF"), "a\\xFF");
    EXPECT_EQ(json_text::Base64("foob"), "Zm9vYg==");
    EXPECT_FALSE(json_text::FromBase64("Zm9vY=g="));
    EXPECT_FALSE(json_text::FromBase64("Zm9"));
}

}  // namespace
}  // namespace nebu::test
