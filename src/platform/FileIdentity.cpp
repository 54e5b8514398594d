#include "platform/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

#include "platform/PathOpen.h"

namespace nebu::platform {

namespace {

// Change times this process gave files by removing one of their names:
// (device, inode) -> (change time before, change time after).
std::mutex ownChangesMutex;
std::multimap<std::pair<dev_t, ino_t>, std::pair<std::int64_t, std::int64_t>> ownChanges;

// Whether `to` follows from `from` by changes of our own.
bool OwnChangesLead(dev_t device, ino_t inode, std::int64_t from, std::int64_t to) {
    std::lock_guard lock(ownChangesMutex);
    const auto [first, last] = ownChanges.equal_range({device, inode});
    for (std::size_t steps = 0; from != to && steps < 64; ++steps) {
        auto it = first;
        while (it != last && it->second.first != from) ++it;
        if (it == last) return false;
        from = it->second.second;
    }
    return from == to;
}

std::int64_t Nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

std::optional<FileIdentity> FromStat(const struct stat& st) {
    if (!S_ISREG(st.st_mode)) return std::nullopt;
    FileIdentity id;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = static_cast<std::int64_t>(st.st_size);
    id.mtimeNs = Nanoseconds(st.st_mtim);
    id.ctimeNs = Nanoseconds(st.st_ctim);
    return id;
}
}  // namespace

std::optional<FileIdentity> IdentityOfPath(const std::string& path) {
    struct stat st;
    if (!LinkStatus(path, st)) return std::nullopt;
    return FromStat(st);
}

std::optional<FileIdentity> IdentityOfDescriptor(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return FromStat(st);
}

}  // namespace nebu::platform

namespace nebu::platform {

bool FileIdentity::operator==(const FileIdentity& other) const {
    if (device != other.device || inode != other.inode || size != other.size ||
        mtimeNs != other.mtimeNs) {
        return false;
    }
    return ctimeNs == other.ctimeNs || OwnChangesLead(device, inode, ctimeNs, other.ctimeNs) ||
           OwnChangesLead(device, inode, other.ctimeNs, ctimeNs);
}

bool RemoveNotingLinks(const std::string& path, const std::function<bool()>& remove) {
    struct stat st;
    int fd = -1;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1) {
        fd = ::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    }
    const bool removed = remove();
    const int saved = errno;
    if (fd >= 0) {
        struct stat after;
        if (removed && ::fstat(fd, &after) == 0 && after.st_dev == st.st_dev &&
            after.st_ino == st.st_ino && Nanoseconds(after.st_ctim) != Nanoseconds(st.st_ctim)) {
            std::lock_guard lock(ownChangesMutex);
            ownChanges.emplace(std::pair(st.st_dev, st.st_ino),
                               std::pair(Nanoseconds(st.st_ctim), Nanoseconds(after.st_ctim)));
        }
        ::close(fd);
    }
    errno = saved;
    return removed;
}

}  // namespace nebu::platform
