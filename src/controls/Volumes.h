#pragma once
// The mounted volumes that the directory tree offers at its computer level.
// Qt-free: the machine's list is read in Volumes.cpp (QStorageInfo), tests
// hand over fixed lists.

#include <optional>
#include <string>
#include <vector>

namespace nebu {

enum class VolumeKind { Removable, Fixed, Network, Optical, Ram };

struct Volume {
    std::string MountPoint;  // "/", "/media/usb", ...
    std::string Label;       // volume label; may be empty
    std::string Source;      // device or remote source ("server:/export", "//server/share")
    VolumeKind Kind = VolumeKind::Fixed;

    bool operator==(const Volume&) const = default;
};

// The machine's volumes a user would pick, in mount-point order (the root
// file system first); pseudo file systems never appear.
std::vector<Volume> MachineVolumes();

// How a mount is listed, from its mount point, file-system type and source;
// nothing for a mount a user would not pick (pseudo file systems, overlay
// layers, tmpfs outside /tmp, /dev/shm, /media, /mnt and /run/media).
std::optional<VolumeKind> ListedVolumeKind(const std::string& mountPoint, const std::string& fsType,
                                           const std::string& source);

}  // namespace nebu
