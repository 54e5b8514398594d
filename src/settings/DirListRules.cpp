#include "settings/DirListRules.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/PathText.h"

namespace nebu {

bool DirExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

bool SortsBefore(const std::string& a, const std::string& b) {
    return platform::CompareAsciiNoCase(a, b) < 0;
}

// One cut-back step: drop characters up to the last separator, then that
// separator too unless only the root is left. A separator byte never occurs
// inside a multibyte character, so cutting bytes cuts whole characters.
std::string CutBack(const std::string& entry) {
    std::string cut = entry;
    while (!cut.empty() && cut.back() != platform::kPathSeparator) cut.pop_back();
    if (cut.size() > 1) cut.pop_back();
    return cut;
}

std::string NearestDirectory(std::string entry) {
    while (!DirExists(entry)) {
        std::string cut = CutBack(entry);
        if (cut == entry) break;
        entry = std::move(cut);
        if (entry.empty()) break;
    }
    return entry;
}

// Whether `next` is `entry` itself or, with sub-directories searched, lies
// below it. Exact comparison: /data and /Data are two places.
bool Covers(const std::string& entry, const std::string& next, bool withSubDirs) {
    if (withSubDirs && next.size() > entry.size()) {
        const bool atSeparator = next[entry.size()] == platform::kPathSeparator;
        const bool entryIsRoot = !entry.empty() && entry.back() == platform::kPathSeparator;
        if (!atSeparator && !entryIsRoot) return false;
        return next.compare(0, entry.size(), entry) == 0;
    }
    return entry == next;
}

}  // namespace

void AddSortedEntry(std::vector<std::string>& entries, const std::string& entry) {
    entries.insert(std::upper_bound(entries.begin(), entries.end(), entry, SortsBefore), entry);
}

bool NormalizeDirList(std::vector<std::string>& entries, bool withSubDirs) {
    std::vector<std::string> kept;
    kept.reserve(entries.size());
    for (const std::string& entry : entries) {
        std::string dir = NearestDirectory(entry);
        if (!dir.empty()) kept.push_back(std::move(dir));
    }
    std::stable_sort(kept.begin(), kept.end(), SortsBefore);
    std::size_t i = 0;
    while (i + 1 < kept.size()) {
        if (Covers(kept[i], kept[i + 1], withSubDirs)) {
            kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        } else {
            ++i;
        }
    }
    entries = std::move(kept);
    return !entries.empty();
}

namespace {

// An empty entry is quoted too: bare, a last empty entry would read back as nothing.
bool NeedsQuotes(const std::string& entry) {
    return entry.empty() || std::any_of(entry.begin(), entry.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return byte <= ' ' || c == '"' || c == ',';
           });
}

bool IsBlank(unsigned char byte) {
    return byte >= 1 && byte <= ' ';
}

}  // namespace

std::string DirListToText(const std::vector<std::string>& entries) {
    std::string text;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) text += ',';
        const std::string& entry = entries[i];
        if (!NeedsQuotes(entry)) {
            text += entry;
            continue;
        }
        text += '"';
        for (char c : entry) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

std::vector<std::string> DirListFromText(std::string_view text) {
    // The text ends at its first NUL, as a C string would.
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> entries;
    std::size_t p = 0;
    const auto at = [&](std::size_t i) -> unsigned char {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    };
    while (IsBlank(at(p))) ++p;
    while (p < text.size()) {
        std::string entry;
        if (text[p] == '"') {
            ++p;
            while (p < text.size()) {
                if (text[p] == '"') {
                    if (at(p + 1) == '"') {
                        entry += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                entry += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < text.size() && at(p) > ' ' && text[p] != ',') ++p;
            entry.assign(text.substr(start, p - start));
        }
        AddSortedEntry(entries, entry);
        while (IsBlank(at(p))) ++p;
        if (at(p) == ',') {
            ++p;
            while (IsBlank(at(p))) ++p;
        }
    }
    return entries;
}

}  // namespace nebu
