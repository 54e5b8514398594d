#pragma once
// What follows a change of the window's values. Changing a check box or a
// tree runs its reaction, whether the user did it or a program step (loading
// settings, a same-conditions copy, a reset); setting a control to the state
// it already has runs nothing.

#include <string>
#include <vector>

#include "settings/WindowSettings.h"

namespace nebu {

// Normalises the side's list with the new state, then copies the side.
void SetSubDirChk(WindowSettings& settings, int side, bool on);
// Apply the side's archive mask rule, then copy the side.
void SetLzhChk(WindowSettings& settings, int side, bool on);
void SetZipChk(WindowSettings& settings, int side, bool on);
// A side's plain files along with its archives: its mask fields go back to
// selecting plain files, then the side is copied.
void SetWithFilesChk(WindowSettings& settings, int side, bool on);
// 7z, tar and RAR contents.
void SetArcChk(WindowSettings& settings, int side, bool on);
// Re-apply the archive mask rule on every side that compares archive contents.
void SetArcExeChk(WindowSettings& settings, bool on);
void SetArcAllChk(WindowSettings& settings, bool on);
// Turning it on copies the source side onto the target side.
void SetCheckSame(WindowSettings& settings, bool on);
void SetCheckHidden(WindowSettings& settings, bool on);
void SetCheckSystem(WindowSettings& settings, bool on);
// A tree that moves to another directory reports a change, which copies its side.
void SetTreeDirectory(WindowSettings& settings, int side, const std::string& directory);

// A mask field's text as typed: the side is copied after the key release.
void TypeMask(WindowSettings& settings, int side, const std::string& fmask);
void TypeIgnoreMask(WindowSettings& settings, int side, const std::string& noFmask);

// Entries given to a side's list the way a drop gives them: appended,
// normalised with the side's sub-directory state (which also shows or hides
// the list), then the side is copied.
void DropDirectories(WindowSettings& settings, int side, const std::vector<std::string>& paths);

// A side's mask fields follow its LZH and ZIP check boxes (and ArcExeChk),
// except while its plain files take part too: then they are the user's.
void SetArchiveMasks(WindowSettings& settings, int side);
// The mask the archive rule gives a side: "*.lzh;*.zip", "*.lzh" or "*.zip",
// with ";*.exe" when ArcExeChk is on; "*.*" with neither box on.
std::string ArchiveMaskText(bool lzh, bool zip, bool arc, bool arcExe);

// With CheckSame on, makes the other side equal to `side`. The receiving
// side's own reactions run, but nothing they raise is copied back.
void CopySameConditions(WindowSettings& settings, int side);

// 49, plus 2 for hidden and 4 for system files; both trees then report a
// change, source first.
void UpdateSearchAttr(WindowSettings& settings);

// Sets every control to its reset value in the fixed order, running each
// change's reaction; empties both lists without hiding them and sends both
// trees to the root. The results layout is left as it is.
void ResetToDefaults(WindowSettings& settings);

}  // namespace nebu
