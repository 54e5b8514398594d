#pragma once
// The pieces of a move into the freedesktop.org trash, each on its own so
// that the choice of trash folder and the .trashinfo it writes can be tested
// without a second volume, and the mount table given as text.

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Trash.h"

namespace nebu::platform::trash {

// "%XX" for every byte but ASCII letters, digits, "-._~" and "/".
std::string EscapePath(std::string_view path);

// "YYYY-MM-DDThh:mm:ss" in local time.
std::string DeletionDate(std::time_t when);

// $XDG_DATA_HOME/Trash (only when that variable is an absolute path), else
// ~/.local/share/Trash. Not created here; empty when there is no home.
std::string HomeTrash();

// The mount points of a /proc/self/mountinfo text, unescaped, as listed.
std::vector<std::string> MountPoints(std::string_view mountinfo);

// The text of /proc/self/mountinfo; empty when it cannot be read.
std::string ReadMountInfo();

// The mount through which `path` (absolute, canonical) is reached: the
// longest of `points` that is `path` or a folder above it, the last listed
// among equals (a later mount covers an earlier one); empty when none is.
std::string MountPointOf(const std::string& path, const std::vector<std::string>& points);

// Without a mount table: the highest folder above `dir` (absolute,
// canonical) on the same device, which misses bind mounts.
std::string DeviceTopOf(const std::string& dir);

// The trash of the volume mounted at `topdir`: $topdir/.Trash/$uid when
// $topdir/.Trash is a real folder with the sticky bit, else
// $topdir/.Trash-$uid. Created when missing; empty when neither is usable.
std::string VolumeTrash(const std::string& topdir);

// Writes trashDir/info/NAME.trashinfo (Path = `infoPath`, escaped here) and
// renames `path` to trashDir/files/NAME, NAME being the file's own name or
// "stem.N.ext" when that is taken. On failure nothing is left behind and
// *error holds the errno of the step that failed.
bool MoveInto(const std::string& trashDir, const std::string& path, const std::string& infoPath,
              int* error, TrashPlace* place = nullptr);

}  // namespace nebu::platform::trash
