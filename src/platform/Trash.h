#pragma once
#include <string>

namespace nebu::platform {

// Moves a file into the freedesktop.org trash ($XDG_DATA_HOME/Trash, or the
// volume's .Trash-$UID). True only when the file is no longer at its path.
// A file that cannot be trashed stays where it is; never unlinked instead.
bool MoveToTrash(const std::string& path);

}  // namespace nebu::platform
