#pragma once
// The user's edits of a side's directory list that the drop rule does not
// cover: adding one directory and deleting the selected entries.

#include <string>
#include <vector>

#include "settings/WindowSettings.h"

namespace nebu {

// The directory the side's Add puts into its list without asking: the
// tree's directory while the side is in tree mode and the tree is not at the
// computer level; otherwise nothing (the caller asks with the dialog).
std::string DirectoryToAddWithoutAsking(const WindowSettings& settings, int side);

// Appends one directory to the side's list the way every add does (the drop
// rule with one path); an empty text changes nothing.
void AddDirectory(WindowSettings& settings, int side, const std::string& directory);

// Removes the entries at the given rows (any order; rows that name no entry
// are ignored), hides the list when it ends empty, then copies the side.
void DeleteSelectedDirs(WindowSettings& settings, int side, std::vector<int> selectedRows);

}  // namespace nebu
