#include "platform/ArchiveNames.h"

#include <algorithm>

#include "platform/Cp932.h"

namespace nebu::platform {

namespace {

bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string RestoreCp932TrailBackslashes(std::string_view stored) {
    std::string out(stored);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (IsCp932LeadByte(static_cast<unsigned char>(out[i])) && i + 1 < out.size()) {
            if (out[i + 1] == '/') out[i + 1] = '\\';
            ++i;  // the trail byte is never a lead byte
        }
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

bool Match(std::string_view p, std::string_view n) {
    while (!p.empty()) {
        if (p[0] == '*') {
            p.remove_prefix(1);
            if (p.empty()) return true;
            for (std::size_t i = 0;; i = std::min(n.size(), i + Utf8Length(n[i]))) {
                if (Match(p, n.substr(i))) return true;
                if (i == n.size()) return false;
            }
        }
        if (n.empty()) return false;
        if (p[0] == '?') {
            std::size_t len = std::min(Utf8Length(n[0]), n.size());
            p.remove_prefix(1);
            n.remove_prefix(len);
            continue;
        }
        if (p[0] != n[0]) return false;
        p.remove_prefix(1);
        n.remove_prefix(1);
    }
    return n.empty();
}

}  // namespace

std::string DecodeStoredName(std::string_view stored) {
    if (IsValidUtf8(stored)) return std::string(stored);
    if (auto utf8 = Cp932ToUtf8(RestoreCp932TrailBackslashes(stored))) return *utf8;
    return Latin1ToUtf8(stored);
}

std::optional<std::string> Latin1Bytes(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            auto next = static_cast<unsigned char>(utf8[++i]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            out.push_back(static_cast<char>(((c & 0x03) << 6) | (next & 0x3F)));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::optional<std::string> ExtractableLeafName(std::string_view entryName) {
    if (entryName.empty() || entryName[0] == '/' || entryName[0] == '\\') return std::nullopt;
    std::size_t start = 0;
    while (start <= entryName.size()) {
        std::size_t end = entryName.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = entryName.size();
        if (entryName.substr(start, end - start) == "..") return std::nullopt;
        start = end + 1;
    }
    std::size_t slash = entryName.rfind('/');
    std::string_view leaf =
        slash == std::string_view::npos ? entryName : entryName.substr(slash + 1);
    if (leaf.empty() || leaf == "." || leaf == "..") return std::nullopt;
    return std::string(leaf);
}

bool WildcardMatches(std::string_view pattern, std::string_view name) {
    if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
    return Match(pattern, name);
}

}  // namespace nebu::platform
