// The comma text a directory list is stored as: read, written and read again,
// which must give the same entries.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/DirListRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto entries = nebu::DirListFromText(text);
    if (nebu::DirListFromText(nebu::DirListToText(entries)) != entries) __builtin_trap();
    return 0;
}
