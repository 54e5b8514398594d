// A mask field as typed and a file name, separated by the first NUL: the field
// is put in normal form and matched against the name. A pattern with many "*"
// must not make the matcher slow.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/Masks.h"
#include "mainwin/MaskRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view field = input.substr(0, split);
    const std::string_view name =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const std::string mask = nebu::NormalizeMask(field);
    // The normal form is a fixed point.
    if (nebu::NormalizeMask(mask) != mask) __builtin_trap();
    nebu::MatchMaskList(mask, name);
    nebu::MatchWildcard(field, name);
    return 0;
}
