#pragma once
// LEAD-NOTE TO EVERY HELPER: before writing any code, read /work/HELPER_RULES.md (binding house rules: own build dir, no commits, no mention of spec/Parts, tests rules, no existing implementations). Do not remove this line; the lead will.
#include <string>

namespace nebu::platform {

// Moves a file into the freedesktop.org trash ($XDG_DATA_HOME/Trash, or the
// volume's .Trash-$UID). True only when the file is no longer at its path.
// A file that cannot be trashed stays where it is; never unlinked instead.
bool MoveToTrash(const std::string& path);

}  // namespace nebu::platform
