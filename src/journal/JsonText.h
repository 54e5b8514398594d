#pragma once
// File names in JSON text, for the deletion journal and the command line's
// JSON lines alike. JSON holds Unicode text only, while a Linux name is any
// bytes: a name that is not UTF-8 is written as readable text (each stray
// byte shown as \xNN, as in the log) beside its exact bytes in base64 under
// KEY_base64, so that no name is lost and scripts still see something
// readable.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace nebu::json_text {

// Well-formed UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool IsUtf8(std::string_view bytes);
// `bytes` with every byte that is not part of a well-formed character shown
// as the four characters \xNN.
std::string ShownWithByteEscapes(std::string_view bytes);

// Appends `text` (UTF-8) as a quoted JSON string, escaped as JSON requires.
void AppendJsonString(std::string& out, std::string_view text);
// Appends `"key":` and the name: as text when it is UTF-8, else the readable
// text and then `,"key_base64":` with its bytes, as PutBytes does.
void AppendBytesMember(std::string& out, std::string_view key, std::string_view bytes);

std::string Base64(std::string_view bytes);
// nullopt for text that is not base64 (standard alphabet, padded).
std::optional<std::string> FromBase64(std::string_view text);

// object[key] = the name as text, and object[key + "_base64"] when it is not UTF-8.
template <typename Json>
void PutBytes(Json& object, const std::string& key, std::string_view bytes) {
    if (IsUtf8(bytes)) {
        object[key] = std::string(bytes);
        return;
    }
    object[key] = ShownWithByteEscapes(bytes);
    object[key + "_base64"] = Base64(bytes);
}

// The exact bytes back: from KEY_base64 when there, else from KEY; nullopt when
// neither is a string.
template <typename Json>
std::optional<std::string> GetBytes(const Json& object, const std::string& key) {
    const auto raw = object.find(key + "_base64");
    if (raw != object.end()) {
        if (!raw->is_string()) return std::nullopt;
        return FromBase64(raw->template get_ref<const std::string&>());
    }
    const auto text = object.find(key);
    if (text == object.end() || !text->is_string()) return std::nullopt;
    return text->template get<std::string>();
}

}  // namespace nebu::json_text
