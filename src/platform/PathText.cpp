#include "platform/PathText.h"

namespace nebu::platform {

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

unsigned char ByteAt(std::string_view text, std::size_t pos) {
    return static_cast<unsigned char>(text[pos]);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::size_t CharLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    const unsigned char lead = ByteAt(text, pos);
    if (lead < 0x80) return 1;

    // Only a complete, shortest-form sequence counts as one character; every
    // byte of anything else stands alone, so a malformed name still walks
    // byte by byte and no scan can run past the end of the text.
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
        return 1;
    }
    if (text.size() - pos < length) return 1;
    const unsigned char second = ByteAt(text, pos + 1);
    if (second < low || second > high) return 1;
    for (std::size_t k = 2; k < length; ++k) {
        if (!IsContinuation(ByteAt(text, pos + k))) return 1;
    }
    return length;
}

bool IsCharStart(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return false;
    if (!IsContinuation(ByteAt(text, pos))) return true;
    // A continuation byte lies inside a character only when the nearest
    // non-continuation byte before it starts a sequence that reaches it.
    for (std::size_t back = 1; back <= 3 && back <= pos; ++back) {
        const std::size_t start = pos - back;
        if (!IsContinuation(ByteAt(text, start))) return CharLength(text, start) <= back;
    }
    return true;
}

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::size_t LastSeparator(std::string_view path) {
    // "/" is ASCII, and UTF-8 never uses an ASCII byte inside a multibyte
    // character, so every "/" byte is a whole character.
    return path.rfind(kPathSeparator);
}

int CompareAsciiNoCase(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string WithTrailingSeparator(std::string_view dir) {
    // An empty path stays empty: turning it into "/" would silently widen a
    // missing directory to the whole file system.
    if (dir.empty() || dir.back() == kPathSeparator) return std::string(dir);
    std::string result(dir);
    result += kPathSeparator;
    return result;
}

std::string WithExtensionIfNone(std::string_view path, std::string_view extension) {
    const std::size_t sep = LastSeparator(path);
    const std::string_view name = sep == std::string_view::npos ? path : path.substr(sep + 1);
    std::string result(path);
    if (name.find('.') == std::string_view::npos) result += extension;
    return result;
}

}  // namespace nebu::platform
