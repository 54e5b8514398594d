#include "controls/Volumes.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <initializer_list>
#include <map>
#include <string_view>

namespace nebu {

namespace {

bool OneOf(const std::string& type, std::initializer_list<std::string_view> types) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

bool IsUnder(const std::string& mountPoint, std::string_view base) {
    return mountPoint.size() > base.size() + 1 && mountPoint.starts_with(base) &&
           mountPoint[base.size()] == '/';
}

bool IsMediaMount(const std::string& mountPoint) {
    return IsUnder(mountPoint, "/media") || IsUnder(mountPoint, "/mnt") ||
           IsUnder(mountPoint, "/run/media");
}

bool IsNetworkType(const std::string& type) {
    return OneOf(type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs"});
}

// File systems that hold no folders of the user's even when a device backs
// them: kernel views, container layers, read-only package images.
bool IsPseudoType(const std::string& type) {
    return OneOf(type, {"proc",        "sysfs",      "cgroup",   "cgroup2",     "devpts",
                        "devtmpfs",    "overlay",    "squashfs", "securityfs",  "debugfs",
                        "tracefs",     "pstore",     "bpf",      "mqueue",      "hugetlbfs",
                        "configfs",    "fusectl",    "autofs",   "binfmt_misc", "efivarfs",
                        "ramfs",       "rpc_pipefs", "nsfs",     "selinuxfs",   "fuse.gvfsd-fuse",
                        "fuse.portal", "fuse.lxcfs", "tmpfs"});
}

std::string Bytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

std::optional<VolumeKind> ListedVolumeKind(const std::string& mountPoint, const std::string& fsType,
                                           const std::string& source) {
    if (IsNetworkType(fsType)) return VolumeKind::Network;
    if (mountPoint == "/") return VolumeKind::Fixed;  // the root is always listed
    if (OneOf(fsType, {"iso9660", "udf"})) return VolumeKind::Optical;
    if (fsType == "tmpfs") {
        if (mountPoint == "/tmp" || mountPoint == "/dev/shm" || IsMediaMount(mountPoint))
            return VolumeKind::Ram;
        return std::nullopt;
    }
    if (IsPseudoType(fsType)) return std::nullopt;
    if (IsMediaMount(mountPoint)) return VolumeKind::Removable;
    if (source.starts_with("/dev/")) return VolumeKind::Fixed;
    return std::nullopt;
}

std::vector<Volume> MachineVolumes() {
    std::map<std::string, Volume> byMountPoint;  // sorted; a later mount over a point wins
    const auto add = [&byMountPoint](const QStorageInfo& info) {
        if (!info.isValid()) return;
        const std::string mountPoint = Bytes(info.rootPath());
        const std::string source = info.device().toStdString();
        const auto kind = ListedVolumeKind(mountPoint, info.fileSystemType().toStdString(), source);
        if (!kind) return;
        // Containers bind single files (/etc/hosts) over the tree; only folders are volumes.
        if (mountPoint != "/" && !QFileInfo(info.rootPath()).isDir()) return;
        byMountPoint[mountPoint] = Volume{mountPoint, info.name().toStdString(), source, *kind};
    };
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) add(info);
    // Qt's list leaves out every mount below /dev, the shared-memory RAM file
    // system with them; it is asked for by its place.
    for (const char* place : {"/dev/shm"}) {
        const QStorageInfo info{QString::fromLatin1(place)};
        if (Bytes(info.rootPath()) == place) add(info);
    }
    if (!byMountPoint.contains("/")) add(QStorageInfo::root());
    if (!byMountPoint.contains("/")) byMountPoint["/"] = Volume{"/", "", "", VolumeKind::Fixed};

    std::vector<Volume> volumes;
    volumes.reserve(byMountPoint.size());
    for (auto& entry : byMountPoint) volumes.push_back(std::move(entry.second));
    return volumes;
}

}  // namespace nebu
