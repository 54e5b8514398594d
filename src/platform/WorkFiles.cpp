#include "platform/WorkFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/PathOpen.h"

namespace nebu::platform {

namespace {

std::string JoinFolder(const std::string& folder, const char* name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool IsDotOrDotDot(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

}  // namespace

void CloseFile(int fd) {
    if (fd >= 0) ::close(fd);
}

void AdviseSequential(int fd) {
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

bool Rewind(int fd) {
    return ::lseek(fd, 0, SEEK_SET) == 0;
}

bool Truncate(int fd, std::int64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}

bool WriteAllAt(int fd, const char* data, std::size_t size, std::int64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done,
                                   static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool MakePrivateFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0;
}

int OpenPrivateFile(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_TRUNC, 0600);
}

int OpenUnnamedFile(const std::string& folder) {
    if (folder.empty()) return -1;
    int fd = ::open(folder.c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    // File systems without unnamed files: a named one, unlinked at once.
    std::string path = folder;
    if (path.back() != '/') path += '/';
    path += "spoolXXXXXX";
    fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(path.c_str());
    return fd;
}

bool StillNamedBy(int fd, const std::string& path) {
    struct stat open;
    struct stat named;
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           open.st_ino == named.st_ino && open.st_dev == named.st_dev;
}

void RemoveFilesIn(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name)) continue;
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) continue;
        ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

std::string FirstRegularFileIn(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return "";
    const int dirFd = ::dirfd(dir);
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name)) continue;
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode)) continue;
        // An entry stored read-only must still be readable here and
        // deletable by the caller afterwards; if that fails, reading it
        // reports why.
        [[maybe_unused]] const int chmodded =
            ::fchmodat(dirFd, entry->d_name, (st.st_mode & 07777) | S_IRUSR | S_IWUSR, 0);
        found = JoinFolder(folder, entry->d_name);
        break;
    }
    ::closedir(dir);
    return found;
}

void AddFolderChain(const std::string& dir,
                    std::set<std::pair<std::uint64_t, std::uint64_t>>& chain) {
    // ".." steps up through links the way a path lookup would, and a path of
    // any length is reached.
    int fd = OpenPath(dir, O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat st;
    while (fd >= 0 && ::fstat(fd, &st) == 0 && chain.insert({st.st_dev, st.st_ino}).second) {
        const int up = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = up;
    }
    if (fd >= 0) ::close(fd);
}

bool LinkDeviceInode(const std::string& path, std::pair<std::uint64_t, std::uint64_t>& key) {
    struct stat st;
    if (!LinkStatus(path, st)) return false;
    key = {st.st_dev, st.st_ino};
    return true;
}

int ProcessId() {
    return static_cast<int>(::getpid());
}

}  // namespace nebu::platform
