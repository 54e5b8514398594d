#pragma once
// Multibyte-aware text helpers: paths are native UTF-8 byte strings, and no
// scan may take part of a multibyte character for "*", "?", ";", "." or "/".

#include <cstddef>
#include <string>
#include <string_view>

namespace nebu::platform {

inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kPathSeparatorText = "/";

// Bytes taken by the character that starts at `pos` (1 for ASCII and for a
// malformed byte, 2..4 for a well-formed UTF-8 sequence, never past the end).
std::size_t CharLength(std::string_view text, std::size_t pos);

// True when `pos` is the first byte of a character (never inside a sequence).
bool IsCharStart(std::string_view text, std::size_t pos);

// Upper-cases ASCII letters only; multibyte characters pass unchanged.
std::string AsciiUpper(std::string_view text);

// Position of the last separator that is a whole character, or npos.
std::size_t LastSeparator(std::string_view path);

// Case-insensitive for ASCII letters only; used where a comparison only orders.
int CompareAsciiNoCase(std::string_view a, std::string_view b);

// The path with `extension` (".neb") appended when its last component, the
// file name itself, holds no "." (a dot in a folder name does not count).
std::string WithExtensionIfNone(std::string_view path, std::string_view extension);

// "dir" + "/" unless it already ends in one ("/" stays "/").
std::string WithTrailingSeparator(std::string_view dir);

}  // namespace nebu::platform
