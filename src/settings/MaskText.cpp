#include "settings/MaskText.h"

#include "platform/PathText.h"

namespace nebu {

std::string NormalizeMask(std::string_view field) {
    std::string text(field);
    text += ';';
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            // A multibyte character goes over whole: none of its bytes is a wildcard.
            const std::size_t len = platform::CharLength(text, i);
            result.append(text, i, len);
            i += len;
        } else if (byte == '*') {
            ++i;
            while (i < text.size() && (text[i] == '*' || text[i] == '?')) {
                if (text[i] == '?') result += '?';
                ++i;
            }
            result += '*';
        } else if (byte == ';') {
            result += ';';
            while (i < text.size() && text[i] == ';') ++i;
        } else {
            result += text[i];
            ++i;
        }
    }
    if (!result.empty() && result.front() == ';') result.erase(0, 1);
    if (result.empty() || result == "*.*;") result = "*;";
    return platform::AsciiUpper(result);
}

bool MaskTakesEveryName(std::string_view normalMask) {
    std::size_t pos = 0;
    while (pos < normalMask.size()) {
        std::size_t end = normalMask.find(';', pos);
        if (end == std::string_view::npos) end = normalMask.size();
        const std::string_view item = normalMask.substr(pos, end - pos);
        if (item == "*" || item == "?*" || item == "*.*") return true;
        pos = end + 1;
    }
    return false;
}

}  // namespace nebu
