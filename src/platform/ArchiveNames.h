#pragma once
// Entry names of the built-in archivers: how stored name bytes become the
// UTF-8 names they report, which names may be extracted, and the wildcard
// of FindFirst.

#include <optional>
#include <string>
#include <string_view>

namespace nebu::platform {

// The UTF-8 name reported for the stored bytes of an entry name:
// 1. bytes that are valid UTF-8 (ASCII included) are taken as they are:
//    ZIP names flagged UTF-8, and names written by UTF-8 systems;
// 2. otherwise the bytes are read as CP932, the code page of Japanese
//    Windows archivers;
// 3. bytes that are neither are read as Latin-1, so every name stays
//    distinct and nameable.
// Japanese text in CP932 is very rarely valid UTF-8 (its lead bytes
// 0x81-0x9F cannot start a UTF-8 sequence), while UTF-8 text is often valid
// CP932, hence the order.
// A "/" directly after a CP932 lead byte stands for the 0x5C trail byte that
// a reader turned into a separator (level-0 LZH headers use "\"); it is put
// back before the bytes are read as CP932.
std::string DecodeStoredName(std::string_view stored);

// Bytes of a text that a reader decoded as Latin-1 into UTF-8; nullopt when
// it holds characters beyond Latin-1 (the reader decoded it otherwise).
std::optional<std::string> Latin1Bytes(std::string_view utf8);

// The file name (last "/" component) an entry may be extracted under;
// nullopt for an empty or absolute name, a ".." component (between "/" or
// "\"), or a name that does not end in a file name.
std::optional<std::string> ExtractableLeafName(std::string_view entryName);

// FindFirst's wildcard: "*.*", "*" and "" match every name; otherwise "*"
// matches any run of characters and "?" one UTF-8 character.
bool WildcardMatches(std::string_view pattern, std::string_view name);

}  // namespace nebu::platform
