#include "settings/WindowSettings.h"

#include "settings/Reactions.h"

namespace nebu {

void ResetToDefaults(WindowSettings& settings) {
    // The order matters: each change runs its reaction against the values
    // that are not reset yet, exactly as the controls would.
    SetSubDirChk(settings, 1, false);
    SetSubDirChk(settings, 2, false);
    SetLzhChk(settings, 1, false);
    SetLzhChk(settings, 2, false);
    SetZipChk(settings, 1, false);
    SetZipChk(settings, 2, false);
    SetArcExeChk(settings, false);
    SetArcAllChk(settings, false);
    settings.NoDelChk = true;
    settings.DelChk = true;
    SetCheckSame(settings, false);
    settings.CheckLog = false;
    SetCheckHidden(settings, false);
    SetCheckSystem(settings, false);
    settings.SizeBox1 = true;
    settings.CheckDelDir = false;
    settings.CheckTrash = false;
    settings.DiffListChk = false;

    const SideSettings fresh;
    for (int side = 1; side <= 2; ++side) settings.Side(side).Fmask = fresh.Fmask;
    for (int side = 1; side <= 2; ++side) settings.Side(side).noFmask = fresh.noFmask;
    const WindowSettings defaults;
    settings.SizeMin = defaults.SizeMin;
    settings.SizeMax = defaults.SizeMax;

    // The lists are emptied but keep their shown state.
    settings.Side(1).DirListText.clear();
    settings.Side(2).DirListText.clear();
    SetTreeDirectory(settings, 1, kRootDirectory);
    SetTreeDirectory(settings, 2, kRootDirectory);
}

}  // namespace nebu
