#pragma once
// Every value of the main window and the conditions dialog that a job or a
// settings file needs, plus the results window's layout that settings files
// carry. Front ends keep their controls in step with one of these.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nebu {

// The directory that stands for "the root of the drive holding the executable".
inline constexpr const char* kRootDirectory = "/";

// Search attribute bits of the directory scan.
inline constexpr std::uint32_t kAttrReadOnly = 1;
inline constexpr std::uint32_t kAttrHidden = 2;
inline constexpr std::uint32_t kAttrSystem = 4;
inline constexpr std::uint32_t kAttrDirectory = 16;
inline constexpr std::uint32_t kAttrArchive = 32;
inline constexpr std::uint32_t kBaseSearchAttr = kAttrReadOnly | kAttrDirectory | kAttrArchive;

// One side: 1 is the source (比較元), 2 the target (比較先).
struct SideSettings {
    std::string DirectoryListBox = kRootDirectory;  // the tree's current directory
    std::vector<std::string> DirListText;           // the list's entries, in list order
    bool DirListShown = false;                      // list mode instead of tree mode
    bool SubDirChk = false;
    bool LzhChk = false;
    bool ZipChk = false;
    // Its plain files take part along with its archives' contents.
    bool WithFilesChk = false;
    bool ArcChk = false;  // 7z/tar/rarの内容と比較
    std::string Fmask = "*.*";
    std::string noFmask;
    bool MaskFieldsEnabled = true;  // Fmask and noFmask are enabled together

    bool operator==(const SideSettings&) const = default;
};

// The work-status window's font, size and column widths. A reset leaves them
// alone; these are the window's design values.
struct ResultsLayout {
    std::string ShoriFontName = "ＭＳ Ｐゴシック";
    std::int32_t ShoriFontSize = 9;
    std::int32_t ShoriWinHeight = 400;
    std::int32_t ShoriWinWidth = 640;
    std::array<std::int32_t, 5> ShoriColWidth{104, 180, 60, 90, 180};
    std::array<std::int32_t, 6> DiffColWidth{104, 180, 60, 90, 180, 60};

    bool operator==(const ResultsLayout&) const = default;
};

struct WindowSettings {
    std::array<SideSettings, 2> Sides;

    bool NoDelChk = true;
    bool DelChk = true;
    bool CheckSame = false;
    bool CheckLog = false;
    bool CheckHidden = false;
    bool CheckSystem = false;
    bool CheckDelDir = false;
    bool CheckTrash = false;
    bool DiffListChk = false;

    // Conditions dialog.
    bool SizeBox1 = true;
    std::string SizeMin = "1";
    std::string SizeMax = "100000000";
    bool ArcExeChk = false;
    bool ArcAllChk = false;

    // Kept current by UpdateSearchAttr.
    std::uint32_t SearchAttr = kBaseSearchAttr;

    // Whether the LZH and ZIP check boxes can be used (their archiver library
    // loaded); set by the host from the job's file functions.
    bool LzhEnabled = true;
    bool ZipEnabled = true;
    bool ArcEnabled = true;

    ResultsLayout Results;

    SideSettings& Side(int side) { return Sides[side == 2 ? 1 : 0]; }
    const SideSettings& Side(int side) const { return Sides[side == 2 ? 1 : 0]; }
    bool DelChkEnabled() const { return !NoDelChk; }
    // 通常ﾌｧｲﾙも比較 means something only beside an archive box that is on.
    bool WithFilesEnabled(int side) const {
        return Side(side).LzhChk || Side(side).ZipChk || Side(side).ArcChk;
    }
    bool SizeFieldsEnabled() const { return SizeBox1; }

    bool operator==(const WindowSettings&) const = default;
};

inline int OtherSide(int side) {
    return side == 2 ? 1 : 2;
}

}  // namespace nebu
