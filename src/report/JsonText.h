#pragma once
// JSON text for the command line's machine-readable output. Names are byte
// strings: one that is not UTF-8 cannot be a JSON string as it is, so it is
// carried twice, as readable text and as its raw bytes in base64.

#include <string>
#include <string_view>

namespace nebu {

// `text` as a quoted JSON string. Control characters, quotes and
// backslashes are escaped; a byte that is not part of a well-formed UTF-8
// character becomes the four characters \xNN (a backslash, "x", two hex
// digits), as in the log, so the result is always valid JSON.
std::string jsonQuoted(std::string_view text);

// The inside of jsonQuoted(text), appended to `out`; false when `text` is
// not UTF-8.
bool appendJsonEscaped(std::string& out, std::string_view text);

// Standard base64 (RFC 4648) with padding.
std::string base64(std::string_view bytes);

// `"key":"text"`, followed by `,"key_base64":"..."` when `text` is not
// UTF-8, so that the exact bytes can be had back.
std::string jsonNameField(std::string_view key, std::string_view text);
// The same for the path `folder` + "/" + `name`, appended to `out`.
void appendJsonPathField(std::string& out, std::string_view key, std::string_view folder,
                         std::string_view name);

}  // namespace nebu
