#pragma once
#include <string>
#include <string_view>

namespace nebu::platform {

// Moves a file into the freedesktop.org trash ($XDG_DATA_HOME/Trash when it
// is on the file's mount, else that mount's .Trash/$UID or .Trash-$UID). True only when the file is
// no longer at its path. A file that cannot be trashed stays where it is; never unlinked instead.
bool MoveToTrash(const std::string& path);
// The same with the mount table given as the text of /proc/self/mountinfo:
// the trash is the one of the mount the path is reached through, so that the
// move is a rename within it.
bool MoveToTrash(const std::string& path, std::string_view mountinfo);

}  // namespace nebu::platform
