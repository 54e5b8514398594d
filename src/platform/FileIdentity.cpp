#include "platform/FileIdentity.h"

#include <sys/stat.h>

namespace nebu::platform {

namespace {
std::optional<FileIdentity> FromStat(const struct stat& st) {
    if (!S_ISREG(st.st_mode)) return std::nullopt;
    FileIdentity id;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = static_cast<std::int64_t>(st.st_size);
    id.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return id;
}
}  // namespace

std::optional<FileIdentity> IdentityOfPath(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return FromStat(st);
}

std::optional<FileIdentity> IdentityOfDescriptor(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return FromStat(st);
}

}  // namespace nebu::platform
