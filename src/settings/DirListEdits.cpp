#include "settings/DirListEdits.h"

#include <algorithm>

#include "settings/Reactions.h"

namespace nebu {

std::string DirectoryToAddWithoutAsking(const WindowSettings& settings, int side) {
    const SideSettings& s = settings.Side(side);
    return s.DirListShown ? std::string() : s.DirectoryListBox;
}

void AddDirectory(WindowSettings& settings, int side, const std::string& directory) {
    if (directory.empty()) return;
    DropDirectories(settings, side, {directory});
}

void DeleteSelectedDirs(WindowSettings& settings, int side, std::vector<int> selectedRows) {
    SideSettings& s = settings.Side(side);
    // From the last row to the first, so each removal leaves the rows still
    // to go where they were.
    std::sort(selectedRows.begin(), selectedRows.end(), std::greater<>());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    for (int row : selectedRows) {
        if (row < 0 || row >= static_cast<int>(s.DirListText.size())) continue;
        s.DirListText.erase(s.DirListText.begin() + row);
    }
    if (s.DirListText.empty()) s.DirListShown = false;
    CopySameConditions(settings, side);
}

}  // namespace nebu
