#pragma once
// The rows of the directory tree list, without widgets: what each row shows,
// which directory it stands for, where its picture goes, and which row is the
// current one. Built from a directory, a fixed list of volumes and a search
// attribute mask, so every rule can be tested without a window or a font.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/Volumes.h"

namespace nebu {

// The nine pictures, in the order the control owns them.
enum class RowPicture {
    MyComputer,
    Floppy,
    Hard,
    Network,
    CdRom,
    Ram,
    ClosedFolder,
    OpenFolder,
    CurrentFolder
};

inline constexpr std::string_view kMyComputerText = "ﾏｲ ｺﾝﾋﾟｭｰﾀ";

struct DirTreeRow {
    std::string Text;
    RowPicture Picture = RowPicture::ClosedFolder;
    std::string Path;  // the directory the row opens; "" for the computer row
    int PictureX = 2;  // left edge of the picture, relative to the row

    bool operator==(const DirTreeRow&) const = default;
};

class DirTreeRows {
  public:
    // Kept in mount-point order, whatever order they come in.
    void SetVolumes(std::vector<Volume> volumes);
    const std::vector<Volume>& Volumes() const { return volumes_; }

    // Rebuilds every row for `directory` ("" = the computer level).
    void Build(const std::string& directory, std::uint32_t searchAttr);

    const std::vector<DirTreeRow>& Rows() const { return rows_; }
    // The current directory's row (the computer row at the computer level).
    int SelectedRow() const { return selected_; }
    // "" for the computer row and for an index out of range.
    std::string GetItemPath(int row) const;

  private:
    void AddPathRows(const std::string& directory, std::uint32_t searchAttr);

    std::vector<Volume> volumes_;
    std::vector<DirTreeRow> rows_;
    int selected_ = 0;
};

// The volume that holds `directory`: the listed volume whose mount point is
// the longest whole-component prefix; an unlabelled fixed "/" when none fits.
Volume VolumeOf(const std::string& directory, const std::vector<Volume>& volumes);
// The mount point of VolumeOf: the drive part of a directory.
std::string DrivePart(const std::string& directory, const std::vector<Volume>& volumes);

// Mount point + "[label]", or + the remote source for a connected network volume.
std::string VolumeRowText(const Volume& volume);
RowPicture VolumePicture(VolumeKind kind);

// Number of separators in the text: "/" and "/a" give 1, "/a/b" gives 2.
int DirLevel(std::string_view text);
// `dir` and `name` joined by exactly one separator.
std::string SlashSep(std::string_view dir, std::string_view name);

// The names of the sub-directories of `dir` that the attribute mask lets
// through, sorted as the list shows them.
std::vector<std::string> ReadDirectoryNames(const std::string& dir, std::uint32_t searchAttr);

// Shortens a path to `maxWidth` as measured by `width`: leading folders give
// way to "..." one at a time; the last component is never cut.
std::string ShortenPath(const std::string& path,
                        const std::function<int(const std::string&)>& width, int maxWidth);

}  // namespace nebu
