#include "settings/Reactions.h"

#include <filesystem>

#include "settings/DirListRules.h"
#include "settings/MaskText.h"

namespace nebu {

void SetSubDirChk(WindowSettings& settings, int side, bool on) {
    SideSettings& s = settings.Side(side);
    if (s.SubDirChk == on) return;
    s.SubDirChk = on;
    s.DirListShown = NormalizeDirList(s.DirListText, on);
    CopySameConditions(settings, side);
}

namespace {

void ArchiveBoxChanged(WindowSettings& settings, int side) {
    SetArchiveMasks(settings, side);
    CopySameConditions(settings, side);
}

void ReapplyArchiveMasks(WindowSettings& settings) {
    for (int side = 1; side <= 2; ++side) {
        const SideSettings& s = settings.Side(side);
        if (s.LzhChk || s.ZipChk) SetArchiveMasks(settings, side);
    }
}

}  // namespace

void SetLzhChk(WindowSettings& settings, int side, bool on) {
    if (settings.Side(side).LzhChk == on) return;
    settings.Side(side).LzhChk = on;
    ArchiveBoxChanged(settings, side);
}

void SetZipChk(WindowSettings& settings, int side, bool on) {
    if (settings.Side(side).ZipChk == on) return;
    settings.Side(side).ZipChk = on;
    ArchiveBoxChanged(settings, side);
}

void SetArcExeChk(WindowSettings& settings, bool on) {
    if (settings.ArcExeChk == on) return;
    settings.ArcExeChk = on;
    ReapplyArchiveMasks(settings);
}

void SetArcAllChk(WindowSettings& settings, bool on) {
    if (settings.ArcAllChk == on) return;
    settings.ArcAllChk = on;
    ReapplyArchiveMasks(settings);
}

void SetCheckSame(WindowSettings& settings, bool on) {
    if (settings.CheckSame == on) return;
    settings.CheckSame = on;
    CopySameConditions(settings, 1);
}

void SetCheckHidden(WindowSettings& settings, bool on) {
    if (settings.CheckHidden == on) return;
    settings.CheckHidden = on;
    UpdateSearchAttr(settings);
}

void SetCheckSystem(WindowSettings& settings, bool on) {
    if (settings.CheckSystem == on) return;
    settings.CheckSystem = on;
    UpdateSearchAttr(settings);
}

void SetTreeDirectory(WindowSettings& settings, int side, const std::string& directory) {
    std::string dir = directory;
    if (!dir.empty()) {
        // The tree holds the directory as the system reads it back: absolute,
        // without a trailing separator unless it is the root.
        dir = std::filesystem::path(dir).lexically_normal().string();
        if (dir.front() != '/') {
            std::error_code ec;
            const auto absolute = std::filesystem::absolute(dir, ec);
            if (!ec) dir = absolute.lexically_normal().string();
        }
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    }
    SideSettings& s = settings.Side(side);
    if (s.DirectoryListBox == dir) return;
    s.DirectoryListBox = dir;
    CopySameConditions(settings, side);
}

void TypeMask(WindowSettings& settings, int side, const std::string& fmask) {
    settings.Side(side).Fmask = fmask;
    CopySameConditions(settings, side);
}

void TypeIgnoreMask(WindowSettings& settings, int side, const std::string& noFmask) {
    settings.Side(side).noFmask = noFmask;
    CopySameConditions(settings, side);
}

void DropDirectories(WindowSettings& settings, int side, const std::vector<std::string>& paths) {
    SideSettings& s = settings.Side(side);
    s.DirListText.insert(s.DirListText.end(), paths.begin(), paths.end());
    s.DirListShown = NormalizeDirList(s.DirListText, s.SubDirChk);
    CopySameConditions(settings, side);
}

}  // namespace nebu
