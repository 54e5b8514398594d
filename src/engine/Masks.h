#pragma once
// Mask-list and wildcard matching on upper-cased, multibyte-aware text.
// "*" takes any run of characters, "?" one character, wherever a match exists.

#include <string_view>

namespace nebu {

// `maskList` is in normal form ("*.TXT;*.DOC;"); an empty list matches nothing.
bool MatchMaskList(std::string_view maskList, std::string_view fileName);
bool MatchWildcard(std::string_view pattern, std::string_view text);

}  // namespace nebu
