#pragma once
// The job's form of a mask field's text.

#include <string>
#include <string_view>

namespace nebu {

// The job's form of a mask field: upper-case ASCII, every pattern followed by
// ";", runs of "*" and "?" folded, "*;" for every file.
std::string NormalizeMask(std::string_view field);

// Whether some item of a mask in normal form takes every file name ("*",
// "?*" or "*.*"). As an ignore mask such a list means every file, which the
// job reads as no ignore mask at all when it is the only item.
bool MaskTakesEveryName(std::string_view normalMask);

}  // namespace nebu
