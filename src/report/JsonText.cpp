#include "report/JsonText.h"

#include <cstdint>

#include "platform/Cp932.h"
#include "platform/PathText.h"

namespace nebu {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, const char* prefix, unsigned char byte) {
    out += prefix;
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

}  // namespace

std::string jsonQuoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = platform::CharLength(text, i);
        if (c >= 0x80) {
            // CharLength takes a malformed byte as one character of its own.
            if (length == 1) {
                AppendHexByte(out, "\\\\x", c);
            } else {
                out.append(text.substr(i, length));
            }
            i += length;
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    AppendHexByte(out, "\\u00", c);
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t chunk = static_cast<unsigned char>(bytes[i]) << 16;
        const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        if (n > 1) chunk |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (n > 2) chunk |= static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(chunk >> 18) & 63];
        out += kDigits[(chunk >> 12) & 63];
        out += n > 1 ? kDigits[(chunk >> 6) & 63] : '=';
        out += n > 2 ? kDigits[chunk & 63] : '=';
    }
    return out;
}

std::string jsonNameField(std::string_view key, std::string_view text) {
    std::string field = jsonQuoted(key) + ":" + jsonQuoted(text);
    if (!platform::IsValidUtf8(text)) {
        field += "," + jsonQuoted(std::string(key) + "_base64") + ":\"" + base64(text) + "\"";
    }
    return field;
}

}  // namespace nebu
