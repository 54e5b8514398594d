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

// Where `segment` (literal runs and "?", no "*") ends when it matches the
// text at `pos`; npos when it does not.
std::size_t SegmentEnd(std::string_view text, std::size_t pos, std::string_view segment) {
    std::size_t i = 0;
    while (i < segment.size()) {
        if (segment[i] == '?') {
            if (pos == text.size()) return npos;
            pos += CharLength(text, pos);
            ++i;
            continue;
        }
        std::size_t runEnd = segment.find('?', i);
        if (runEnd == npos) runEnd = segment.size();
        const std::string_view run = segment.substr(i, runEnd - i);
        if (!RunAt(text, pos, run)) return npos;
        pos += run.size();
        i = runEnd;
    }
    return pos;
}

std::size_t NextChar(std::string_view text, std::size_t pos) {
    return pos + CharLength(text, pos);
}

}  // namespace

// Segments between stars are placed leftmost, one after the other; the
// earliest place of a segment never rules out a match that a later place
// would allow, so no further backtracking is needed and the work stays at
// most pattern length times text length.
bool MatchWildcard(std::string_view pattern, std::string_view text) {
    std::size_t star = pattern.find('*');
    if (star == npos) return SegmentEnd(text, 0, pattern) == text.size();

    std::size_t j = SegmentEnd(text, 0, pattern.substr(0, star));
    if (j == npos) return false;
    for (;;) {
        const std::size_t from = star + 1;
        const std::size_t next = pattern.find('*', from);
        if (next == npos) {
            // The last segment must end exactly at the end of the text.
            const std::string_view last = pattern.substr(from);
            for (std::size_t at = j; at <= text.size(); at = NextChar(text, at)) {
                if (SegmentEnd(text, at, last) == text.size()) return true;
                if (at == text.size()) break;
            }
            return false;
        }
        const std::string_view segment = pattern.substr(from, next - from);
        std::size_t end = npos;
        for (std::size_t at = j; at <= text.size(); at = NextChar(text, at)) {
            end = SegmentEnd(text, at, segment);
            if (end != npos || at == text.size()) break;
        }
        if (end == npos) return false;
        j = end;
        star = next;
    }
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
