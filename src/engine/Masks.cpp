#include "engine/Masks.h"

#include <string>

#include "platform/PathText.h"

namespace nebu {

namespace {

using platform::CharLength;
using platform::IsCharStart;

constexpr std::string_view::size_type npos = std::string_view::npos;

// "*", "?", ";" and "." are ASCII, and UTF-8 never places an ASCII byte inside
// a multibyte character, so a plain byte search finds whole characters only.
std::size_t LastDot(std::string_view text) {
    return text.rfind('.');
}

bool IsBoundary(std::string_view text, std::size_t pos) {
    return pos == text.size() || IsCharStart(text, pos);
}

// The run must cover whole characters of the text; this only matters for
// malformed bytes, which count as characters of their own.
bool RunAt(std::string_view text, std::size_t pos, std::string_view run) {
    return text.size() - pos >= run.size() && text.compare(pos, run.size(), run) == 0 &&
           IsCharStart(text, pos) && IsBoundary(text, pos + run.size());
}

std::size_t FindRun(std::string_view text, std::size_t from, std::string_view run) {
    for (std::size_t at = text.find(run, from); at != npos; at = text.find(run, at + 1)) {
        if (RunAt(text, at, run)) return at;
    }
    return npos;
}

}  // namespace

bool MatchWildcard(std::string_view pattern, std::string_view text) {
    std::size_t i = 0;
    std::size_t j = 0;
    bool anchored = true;
    while (j <= text.size()) {
        std::size_t runEnd = pattern.find_first_of("*?", i);
        if (runEnd == npos) runEnd = pattern.size();
        const std::string_view run = pattern.substr(i, runEnd - i);
        if (!run.empty()) {
            if (anchored) {
                if (!RunAt(text, j, run)) return false;
            } else {
                // The run binds to its first occurrence after a "*"; a later
                // occurrence is never tried.
                const std::size_t at = FindRun(text, j, run);
                if (at == npos) return false;
                j = at;
                anchored = true;
            }
            i += run.size();
            j += run.size();
            continue;
        }
        if (i == pattern.size()) return anchored ? j == text.size() : true;
        if (pattern[i] == '?') {
            if (j == text.size()) return false;
            ++i;
            j += CharLength(text, j);
        } else {
            anchored = false;
            ++i;
        }
    }
    return false;
}

bool MatchMaskList(std::string_view maskList, std::string_view fileName) {
    if (maskList.empty()) return false;
    const std::string name = platform::AsciiUpper(fileName);
    const std::string_view nameView(name);
    const std::size_t nameDot = LastDot(nameView);
    const bool nameHasDot = nameDot != npos;
    const std::string_view nameBase = nameHasDot ? nameView.substr(0, nameDot) : nameView;
    const std::string_view nameExt = nameHasDot ? nameView.substr(nameDot + 1) : std::string_view();

    std::size_t pos = 0;
    while (pos < maskList.size()) {
        std::size_t end = maskList.find(';', pos);
        if (end == npos) end = maskList.size();
        const std::string_view item = maskList.substr(pos, end - pos);
        pos = end + 1;

        const std::size_t itemDot = LastDot(item);
        if (itemDot == npos) {
            if (MatchWildcard(item, nameView)) return true;
            continue;
        }
        const std::string_view itemBase = item.substr(0, itemDot);
        const std::string_view itemExt = item.substr(itemDot + 1);
        if (itemExt.empty()) {
            // "NAME." takes only names without an extension.
            if (!nameHasDot && MatchWildcard(itemBase, nameView)) return true;
        } else if (nameHasDot) {
            if (MatchWildcard(itemExt, nameExt) && MatchWildcard(itemBase, nameBase)) return true;
        } else if (itemExt == "*" && MatchWildcard(itemBase, nameView)) {
            // "ABC.*" also takes "ABC".
            return true;
        }
    }
    return false;
}

}  // namespace nebu
