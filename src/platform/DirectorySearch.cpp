#include "platform/DirectorySearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/PathOpen.h"

namespace nebu::platform {

namespace {
DIR* AsDir(void* p) {
    return static_cast<DIR*>(p);
}
}  // namespace

DirectorySearch::~DirectorySearch() {
    Close();
}

bool DirectorySearch::Open(const std::string& dir, std::uint32_t attrMask) {
    Close();
    if (dir.empty()) {
        error_ = ENOENT;
        return false;
    }
    int fd = OpenPath(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st;
    DIR* d = nullptr;
    if (fd < 0 || ::fstat(fd, &st) != 0 || (d = ::fdopendir(fd)) == nullptr) {
        error_ = errno;
        if (fd >= 0) ::close(fd);
        return false;
    }
    dirp_ = d;
    attrMask_ = attrMask;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    return true;
}

bool DirectorySearch::Next(DirEntry& entry) {
    if (dirp_ == nullptr) return false;
    DIR* d = AsDir(dirp_);
    for (;;) {
        errno = 0;
        struct dirent* de = ::readdir(d);
        if (de == nullptr) {
            if (errno != 0) error_ = errno;
            return false;
        }
        const char* name = de->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;

        const bool hidden = name[0] == '.';
        if (hidden && (attrMask_ & kAttrHidden) == 0) continue;

        // The entry may have gone since readdir saw it; then it simply is
        // not there. Any other failure hides a file the user would miss.
        struct stat st;
        if (::fstatat(::dirfd(d), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) error_ = errno;
            continue;
        }
        const bool isDir = S_ISDIR(st.st_mode);
        if (!isDir && !S_ISREG(st.st_mode)) continue;  // links, FIFOs, sockets, devices

        entry.name = name;
        entry.isDirectory = isDir;
        entry.size = isDir ? 0 : static_cast<std::int64_t>(st.st_size);
        entry.hidden = hidden;
        entry.readOnly = (st.st_mode & S_IWUSR) == 0;
        entry.device = st.st_dev;
        entry.inode = st.st_ino;
        return true;
    }
}

void DirectorySearch::Close() {
    if (dirp_ != nullptr) {
        ::closedir(AsDir(dirp_));
        dirp_ = nullptr;
    }
    attrMask_ = 0;
    device_ = 0;
    inode_ = 0;
    error_ = 0;
}

}  // namespace nebu::platform
