#pragma once
// Names come from the file system and may hold any byte but "/" and NUL. A
// line break or another control character written raw into a log line could
// forge whole lines ("...を削除しました。"), so every log line shows them
// escaped: \n \r \t, \xNN for other single bytes (and for bytes that are not
// UTF-8), \uNNNN for the C1 controls and the Unicode line separators and
// direction overrides. Everything else, backslashes included, stays as it is.

#include <string>
#include <string_view>

namespace nebu {

std::string EscapeControlCharacters(std::string_view text);

}  // namespace nebu
