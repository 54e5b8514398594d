#pragma once
// Mask-list and wildcard matching on upper-cased, multibyte-aware text.
// A "*" binds the following literal run to its first occurrence: no retry.

#include <string_view>

namespace nebu {

// `maskList` is in normal form ("*.TXT;*.DOC;"); an empty list matches nothing.
bool MatchMaskList(std::string_view maskList, std::string_view fileName);
bool MatchWildcard(std::string_view pattern, std::string_view text);

}  // namespace nebu
