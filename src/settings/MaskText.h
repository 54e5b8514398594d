#pragma once
// Rules of the main window that other parts call: the mask normal form, the
// archive mask rule, the same-conditions copy and the search attribute.

#include <string>
#include <string_view>

#include "settings/WindowSettings.h"

namespace nebu {

// The job's form of a mask field: upper-case ASCII, every pattern followed by
// ";", runs of "*" and "?" folded, "*;" for every file.
std::string NormalizeMask(std::string_view field);

// Whether some item of a mask in normal form takes every file name ("*",
// "?*" or "*.*"). As an ignore mask such a list means every file, which the
// job reads as no ignore mask at all when it is the only item.
bool MaskTakesEveryName(std::string_view normalMask);

// A side's mask fields follow its LZH and ZIP check boxes (and ArcExeChk).
void SetArchiveMasks(WindowSettings& settings, int side);

// With CheckSame on, makes the other side equal to `side`. The receiving
// side's own reactions run, but nothing they raise is copied back.
void CopySameConditions(WindowSettings& settings, int side);

// 49, plus 2 for hidden and 4 for system files; both trees then report a
// change, source first.
void UpdateSearchAttr(WindowSettings& settings);

}  // namespace nebu
