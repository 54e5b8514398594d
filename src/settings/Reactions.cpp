#include "settings/Reactions.h"

#include <filesystem>

#include "engine/ArchiveCatalogue.h"
#include "settings/DirListRules.h"

namespace nebu {

namespace {

// Whether a change may start a same-conditions copy of its side. The changes
// a copy makes on the receiving side run their reactions with Copy::Held, so
// that nothing they raise is copied back.
enum class Copy { Run, Held };

void CopySide(WindowSettings& settings, int side, Copy copy);

void SubDirChanged(WindowSettings& settings, int side, bool on, Copy copy) {
    SideSettings& s = settings.Side(side);
    if (s.SubDirChk == on) return;
    s.SubDirChk = on;
    s.DirListShown = NormalizeDirList(s.DirListText, on);
    CopySide(settings, side, copy);
}

// One of the side's archive boxes (lzh, zip, 7z/tar/rar): the masks follow.
void ArchiveBoxChanged(WindowSettings& settings, int side, bool SideSettings::*box, bool on,
                       Copy copy) {
    if (settings.Side(side).*box == on) return;
    settings.Side(side).*box = on;
    SetArchiveMasks(settings, side);
    CopySide(settings, side, copy);
}

void WithFilesChanged(WindowSettings& settings, int side, bool on, Copy copy) {
    SideSettings& s = settings.Side(side);
    if (s.WithFilesChk == on) return;
    s.WithFilesChk = on;
    if (s.LzhChk || s.ZipChk || s.ArcChk) SetArchiveMasks(settings, side);
    CopySide(settings, side, copy);
}

void TreeChanged(WindowSettings& settings, int side, const std::string& directory, Copy copy) {
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
    CopySide(settings, side, copy);
}

void CopySide(WindowSettings& settings, int side, Copy copy) {
    if (copy == Copy::Held || !settings.CheckSame) return;
    const int other = OtherSide(side);
    // The receiving side gets what the giving side held when the copy began.
    const SideSettings from = settings.Side(side);
    SideSettings& to = settings.Side(other);
    to.Fmask = from.Fmask;
    to.noFmask = from.noFmask;
    TreeChanged(settings, other, from.DirectoryListBox, Copy::Held);
    SubDirChanged(settings, other, from.SubDirChk, Copy::Held);
    ArchiveBoxChanged(settings, other, &SideSettings::LzhChk, from.LzhChk, Copy::Held);
    ArchiveBoxChanged(settings, other, &SideSettings::ZipChk, from.ZipChk, Copy::Held);
    ArchiveBoxChanged(settings, other, &SideSettings::ArcChk, from.ArcChk, Copy::Held);
    WithFilesChanged(settings, other, from.WithFilesChk, Copy::Held);
    if (from.WithFilesChk) {
        // The giving side's fields are the user's masks, not the rule's.
        to.Fmask = from.Fmask;
        to.noFmask = from.noFmask;
        to.MaskFieldsEnabled = from.MaskFieldsEnabled;
    }
    to.DirListShown = from.DirListShown;
    to.DirListText = from.DirListText;
}

void ReapplyArchiveMasks(WindowSettings& settings) {
    for (int side = 1; side <= 2; ++side) {
        const SideSettings& s = settings.Side(side);
        if (s.LzhChk || s.ZipChk || s.ArcChk) SetArchiveMasks(settings, side);
    }
}

}  // namespace

void SetSubDirChk(WindowSettings& settings, int side, bool on) {
    SubDirChanged(settings, side, on, Copy::Run);
}

void SetLzhChk(WindowSettings& settings, int side, bool on) {
    ArchiveBoxChanged(settings, side, &SideSettings::LzhChk, on, Copy::Run);
}

void SetZipChk(WindowSettings& settings, int side, bool on) {
    ArchiveBoxChanged(settings, side, &SideSettings::ZipChk, on, Copy::Run);
}

void SetWithFilesChk(WindowSettings& settings, int side, bool on) {
    WithFilesChanged(settings, side, on, Copy::Run);
}

void SetArcChk(WindowSettings& settings, int side, bool on) {
    ArchiveBoxChanged(settings, side, &SideSettings::ArcChk, on, Copy::Run);
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
    TreeChanged(settings, side, directory, Copy::Run);
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

std::string ArchiveMaskText(bool lzh, bool zip, bool arc, bool arcExe) {
    if (!lzh && !zip && !arc) return "*.*";
    std::string mask;
    const auto add = [&](std::string_view pattern) {
        if (!mask.empty()) mask += ';';
        mask.append(pattern);
    };
    if (lzh) add("*.lzh");
    if (zip) add("*.zip");
    if (arc) {
        for (std::string_view ending : kArcNameEndings) add(std::string("*").append(ending));
    }
    if (arcExe) add("*.exe");
    return mask;
}

void SetArchiveMasks(WindowSettings& settings, int side) {
    SideSettings& s = settings.Side(side);
    if (s.WithFilesChk) {
        // The fields select plain files; the rule's text leaves them.
        if (!s.MaskFieldsEnabled) {
            s.Fmask = "*.*";
            s.noFmask.clear();
            s.MaskFieldsEnabled = true;
        }
        return;
    }
    s.Fmask = ArchiveMaskText(s.LzhChk, s.ZipChk, s.ArcChk, settings.ArcExeChk);
    s.noFmask.clear();
    s.MaskFieldsEnabled = !(s.LzhChk || s.ZipChk || s.ArcChk);
}

void CopySameConditions(WindowSettings& settings, int side) {
    CopySide(settings, side, Copy::Run);
}

void UpdateSearchAttr(WindowSettings& settings) {
    std::uint32_t attr = kBaseSearchAttr;
    if (settings.CheckHidden) attr |= kAttrHidden;
    if (settings.CheckSystem) attr |= kAttrSystem;
    settings.SearchAttr = attr;
    // Each tree rebuilds with the new attribute and reports a change.
    CopySameConditions(settings, 1);
    CopySameConditions(settings, 2);
}

void ResetToDefaults(WindowSettings& settings) {
    // The order matters: each change runs its reaction against the values
    // that are not reset yet, exactly as the controls would.
    SetSubDirChk(settings, 1, false);
    SetSubDirChk(settings, 2, false);
    SetLzhChk(settings, 1, false);
    SetLzhChk(settings, 2, false);
    SetZipChk(settings, 1, false);
    SetZipChk(settings, 2, false);
    SetWithFilesChk(settings, 1, false);
    SetWithFilesChk(settings, 2, false);
    SetArcChk(settings, 1, false);
    SetArcChk(settings, 2, false);
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
