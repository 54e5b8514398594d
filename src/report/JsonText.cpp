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

bool appendJsonEscaped(std::string& out, std::string_view text) {
    bool valid = true;
    std::size_t plain = 0;  // start of the run of bytes copied as they are
    auto flush = [&](std::size_t upTo) { out.append(text.data() + plain, upTo - plain); };
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && c != 0x7F) {
            // CharLength takes a malformed byte as one character of its own.
            if (c < 0x80 || platform::CharLength(text, i) > 1) {
                i += c < 0x80 ? 1 : platform::CharLength(text, i);
                continue;
            }
            flush(i);
            valid = false;
            AppendHexByte(out, "\\\\x", c);
        } else {
            flush(i);
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
                    AppendHexByte(out, "\\u00", c);
            }
        }
        plain = ++i;
    }
    flush(text.size());
    return valid;
}

std::string jsonQuoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    appendJsonEscaped(out, text);
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
    std::string field;
    appendJsonPathField(field, key, text, {});
    return field;
}

void appendJsonPathField(std::string& out, std::string_view key, std::string_view folder,
                         std::string_view name) {
    out += '"';
    out += key;
    out += "\":\"";
    bool valid = appendJsonEscaped(out, folder);
    if (!name.empty()) {
        out += '/';
        valid = appendJsonEscaped(out, name) && valid;
    }
    out += '"';
    if (valid) return;
    std::string raw(folder);
    if (!name.empty()) raw.append(1, '/').append(name);
    out += ",\"";
    out += key;
    out += "_base64\":\"";
    out += base64(raw);
    out += '"';
}

}  // namespace nebu
