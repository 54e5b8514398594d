#include "controls/DirTreeRows.h"

#include <algorithm>

#include "platform/DirectorySearch.h"
#include "platform/PathText.h"

namespace nebu {

namespace {

constexpr char kSep = platform::kPathSeparator;
constexpr std::string_view kEllipsisDir = ".../";

// Each level of the path moves a row's picture this far to the right.
constexpr int kIndentStep = 4;
constexpr int kFirstRowX = 2;
constexpr int kVolumeRowX = 6;  // volume rows at the computer level

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == kSep) path.pop_back();
    return path;
}

// True when `mountPoint` holds `directory`: equal, or a prefix that ends at a
// separator, so /media/usb holds /media/usb/a but not /media/usb2.
bool Holds(const std::string& mountPoint, const std::string& directory) {
    const std::string mount = WithoutTrailingSeparator(mountPoint);
    if (mount == platform::kPathSeparatorText) return true;
    if (directory.compare(0, mount.size(), mount) != 0) return false;
    return directory.size() == mount.size() || directory[mount.size()] == kSep;
}

std::vector<std::string> SplitComponents(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(kSep, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool ListedBefore(const std::string& a, const std::string& b) {
    const int order = platform::CompareAsciiNoCase(a, b);
    // Names that differ only in case are two folders on Linux: both stay,
    // in a fixed order.
    return order != 0 ? order < 0 : a < b;
}

void CutFirstDir(std::string& dir) {
    if (dir == platform::kPathSeparatorText) {
        dir.clear();
        return;
    }
    const bool leadingSeparator = !dir.empty() && dir.front() == kSep;
    if (leadingSeparator) dir.erase(0, 1);
    // Only an ellipsis left by an earlier cut is dropped here; a hidden
    // folder's name also starts with "." and is cut like any other.
    if (dir.starts_with(kEllipsisDir)) dir.erase(0, kEllipsisDir.size());
    const std::size_t sep = dir.find(kSep);
    dir =
        sep == std::string::npos ? std::string() : std::string(kEllipsisDir) + dir.substr(sep + 1);
    if (leadingSeparator) dir.insert(0, 1, kSep);
}

}  // namespace

Volume VolumeOf(const std::string& directory, const std::vector<Volume>& volumes) {
    const Volume* best = nullptr;
    std::size_t bestLength = 0;
    for (const Volume& volume : volumes) {
        const std::string mount = WithoutTrailingSeparator(volume.MountPoint);
        if (mount.empty() || !Holds(mount, directory)) continue;
        if (best == nullptr || mount.size() > bestLength) {
            best = &volume;
            bestLength = mount.size();
        }
    }
    if (best == nullptr)
        return Volume{std::string(platform::kPathSeparatorText), "", "", VolumeKind::Fixed};
    Volume found = *best;
    found.MountPoint = WithoutTrailingSeparator(found.MountPoint);
    return found;
}

std::string DrivePart(const std::string& directory, const std::vector<Volume>& volumes) {
    return VolumeOf(directory, volumes).MountPoint;
}

std::string VolumeRowText(const Volume& volume) {
    const bool showSource = volume.Kind == VolumeKind::Network && !volume.Source.empty();
    return volume.MountPoint + "[" + (showSource ? volume.Source : volume.Label) + "]";
}

RowPicture VolumePicture(VolumeKind kind) {
    switch (kind) {
        case VolumeKind::Removable:
            return RowPicture::Floppy;
        case VolumeKind::Fixed:
            return RowPicture::Hard;
        case VolumeKind::Network:
            return RowPicture::Network;
        case VolumeKind::Optical:
            return RowPicture::CdRom;
        case VolumeKind::Ram:
            return RowPicture::Ram;
    }
    return RowPicture::Hard;
}

int DirLevel(std::string_view text) {
    // A separator byte never occurs inside a UTF-8 multibyte character.
    return static_cast<int>(std::count(text.begin(), text.end(), kSep));
}

std::string SlashSep(std::string_view dir, std::string_view name) {
    std::string joined(dir);
    if (joined.empty() || joined.back() != kSep) joined += kSep;
    joined += name;
    return joined;
}

std::vector<std::string> ReadDirectoryNames(const std::string& dir, std::uint32_t searchAttr) {
    std::vector<std::string> names;
    // A mask without the directory bit lets no directory through.
    if ((searchAttr & platform::kAttrDirectory) == 0) return names;
    platform::DirectorySearch search;
    if (!search.Open(dir, searchAttr)) return names;
    platform::DirEntry entry;
    while (search.Next(entry)) {
        if (entry.isDirectory) names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), ListedBefore);
    return names;
}

std::string ShortenPath(const std::string& path,
                        const std::function<int(const std::string&)>& width, int maxWidth) {
    // The root alone has nothing to give way; an empty text would say less.
    if (path == platform::kPathSeparatorText) return path;
    const std::size_t sep = platform::LastSeparator(path);
    std::string dir = sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
    const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    const std::string ellipsisRoot = kSep + std::string(kEllipsisDir);
    std::string result = path;
    while (!dir.empty() && width(result) > maxWidth) {
        if (dir == ellipsisRoot)
            dir = std::string(kEllipsisDir);
        else
            CutFirstDir(dir);
        result = dir + name;
    }
    return result;
}

void DirTreeRows::SetVolumes(std::vector<Volume> volumes) {
    volumes_ = std::move(volumes);
    for (Volume& volume : volumes_) volume.MountPoint = WithoutTrailingSeparator(volume.MountPoint);
    std::stable_sort(volumes_.begin(), volumes_.end(),
                     [](const Volume& a, const Volume& b) { return a.MountPoint < b.MountPoint; });
}

void DirTreeRows::Build(const std::string& directory, std::uint32_t searchAttr) {
    rows_.clear();
    rows_.push_back({std::string(kMyComputerText), RowPicture::MyComputer, "", kFirstRowX});
    selected_ = 0;
    if (directory.empty()) {
        for (const Volume& volume : volumes_) {
            rows_.push_back({VolumeRowText(volume), VolumePicture(volume.Kind), volume.MountPoint,
                             kVolumeRowX});
        }
        return;
    }
    AddPathRows(directory, searchAttr);
}

void DirTreeRows::AddPathRows(const std::string& directory, std::uint32_t searchAttr) {
    const Volume volume = VolumeOf(directory, volumes_);
    const auto atRow = [this] { return static_cast<int>(rows_.size()) * kIndentStep + kFirstRowX; };
    rows_.push_back(
        {VolumeRowText(volume), VolumePicture(volume.Kind), volume.MountPoint, atRow()});

    const std::string_view below = std::string_view(directory).substr(
        std::min(directory.size(), volume.MountPoint == platform::kPathSeparatorText
                                       ? std::size_t{0}
                                       : volume.MountPoint.size()));
    const std::vector<std::string> folders = SplitComponents(below);
    std::string path = volume.MountPoint;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        path = SlashSep(path, folders[i]);
        const bool current = i + 1 == folders.size();
        rows_.push_back({folders[i], current ? RowPicture::CurrentFolder : RowPicture::OpenFolder,
                         current ? directory : path, atRow()});
    }
    selected_ = static_cast<int>(rows_.size()) - 1;

    // Sub-directories stand one step right of the current folder; those of a
    // volume's root stand where those of its first folder would.
    const int level = std::max<int>(1, static_cast<int>(folders.size()));
    const int subX = level * kIndentStep + 10;
    for (const std::string& name : ReadDirectoryNames(directory, searchAttr))
        rows_.push_back({name, RowPicture::ClosedFolder, SlashSep(directory, name), subX});
}

std::string DirTreeRows::GetItemPath(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    return rows_[static_cast<std::size_t>(row)].Path;
}

}  // namespace nebu
