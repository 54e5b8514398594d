#include "journal/JsonText.h"

#include <array>

#include "platform/PathText.h"

namespace nebu::json_text {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHex[] = "0123456789ABCDEF";

// The length of the well-formed character at `at`, or 0 when there is none:
// a byte that starts no well-formed character stands alone in CharLength.
std::size_t CharacterLength(std::string_view s, std::size_t at) {
    const std::size_t length = platform::CharLength(s, at);
    return length == 1 && static_cast<unsigned char>(s[at]) >= 0x80 ? 0 : length;
}

}  // namespace

bool IsUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = CharacterLength(bytes, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string ShownWithByteEscapes(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() + 8);
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = CharacterLength(bytes, i);
        if (length == 0) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            text += "\\x";
            text += kHex[c >> 4];
            text += kHex[c & 15];
            ++i;
        } else {
            text.append(bytes.substr(i, length));
            i += length;
        }
    }
    return text;
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t plain = 0;  // the start of the run copied as it is
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(text.data() + plain, i - plain);
        plain = i + 1;
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
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 15];
        }
    }
    out.append(text.data() + plain, text.size() - plain);
    out += '"';
}

void AppendBytesMember(std::string& out, std::string_view key, std::string_view bytes) {
    AppendJsonString(out, key);
    out += ':';
    if (IsUtf8(bytes)) {
        AppendJsonString(out, bytes);
        return;
    }
    AppendJsonString(out, ShownWithByteEscapes(bytes));
    out += ',';
    AppendJsonString(out, std::string(key) + "_base64");
    out += ':';
    AppendJsonString(out, Base64(bytes));
}

std::string Base64(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        text += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
    }
    return text;
}

std::optional<std::string> FromBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::array<int, 256> value{};
    value.fill(-1);
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
        value[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int>(i);
    }
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int pad = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
        if (pad == 1 && text[i + 2] == '=') return std::nullopt;
        std::uint32_t group = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[i + k];
            const int v = k >= 4 - pad ? 0 : value[static_cast<unsigned char>(c)];
            if (v < 0) return std::nullopt;
            group = (group << 6) | static_cast<std::uint32_t>(v);
        }
        bytes += static_cast<char>((group >> 16) & 0xFF);
        if (pad < 2) bytes += static_cast<char>((group >> 8) & 0xFF);
        if (pad < 1) bytes += static_cast<char>(group & 0xFF);
    }
    return bytes;
}

}  // namespace nebu::json_text
