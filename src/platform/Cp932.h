#pragma once
// Shift-JIS (CP932) conversion for archive names and for the texts NEBU writes.

#include <optional>
#include <string>
#include <string_view>

namespace nebu::platform {

// Converts CP932 bytes to UTF-8; nullopt when the bytes are not valid CP932.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);
// Converts UTF-8 to CP932; nullopt when a character has no CP932 form.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);
// Converts UTF-8 to CP932, writing "?" for every character CP932 lacks.
std::string Utf8ToCp932Lossy(std::string_view utf8);
bool IsValidUtf8(std::string_view text);

}  // namespace nebu::platform
