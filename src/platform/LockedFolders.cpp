#include "platform/LockedFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace nebu::platform {

namespace {

int OpenFolderNoFollow(int dirFd, const char* name) {
    return ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Empties a folder through descriptors only: a link inside is removed, never
// followed, and nothing outside the folder can be reached.
void EmptyFolderAt(int dirFd, int depth) {
    const int listFd = OpenFolderNoFollow(dirFd, ".");
    if (listFd < 0) return;
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* de = ::readdir(dir)) {
        const std::string_view name = de->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    for (const std::string& name : names) {
        struct stat st;
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(st.st_mode)) {
            ::unlinkat(dirFd, name.c_str(), 0);
            continue;
        }
        if (depth <= 0) continue;
        const int sub = OpenFolderNoFollow(dirFd, name.c_str());
        if (sub < 0) continue;
        EmptyFolderAt(sub, depth - 1);
        ::close(sub);
        ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
    }
    ::closedir(dir);
}

bool HoldsOwnerMark(int dirFd, std::string_view markPrefix) {
    const int listFd = OpenFolderNoFollow(dirFd, ".");
    if (listFd < 0) return false;
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return false;
    }
    bool found = false;
    while (const dirent* de = ::readdir(dir)) {
        if (std::string_view(de->d_name).substr(0, markPrefix.size()) == markPrefix) {
            struct stat st;
            found =
                ::fstatat(dirFd, de->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
            if (found) break;
        }
    }
    ::closedir(dir);
    return found;
}

// The lock, not the recorded id, decides: it goes with its process,
// whatever became of the id.
void RemoveIfAbandoned(int parentFd, const std::string& name, uid_t me, std::string_view markPrefix,
                       int depth) {
    const int fd = OpenFolderNoFollow(parentFd, name.c_str());
    if (fd < 0) return;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_uid == me && HoldsOwnerMark(fd, markPrefix) &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        EmptyFolderAt(fd, depth);
        struct stat now;
        // Still the folder that was emptied, not one put under its name since.
        if (::fstatat(parentFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            now.st_dev == st.st_dev && now.st_ino == st.st_ino) {
            ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
        }
    }
    ::close(fd);
}

}  // namespace

bool MakeLockedFolder(const std::string& path, std::string_view markPrefix, LockedFolder& made) {
    if (::mkdir(path.c_str(), 0700) != 0) return false;
    // Locked before it is marked, so a marked folder is never seen unlocked
    // while its process lives. Without a lock it stays unmarked, and nobody
    // else takes it.
    const int fd = OpenFolderNoFollow(AT_FDCWD, path.c_str());
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        const std::string mark = std::string(markPrefix) + std::to_string(::getpid());
        ::mkdirat(fd, mark.c_str(), 0700);
    }
    made = LockedFolder{path, fd};
    return true;
}

void RemoveLockedFolder(const LockedFolder& folder, int depth) {
    if (folder.lockFd < 0) {
        ::rmdir(folder.path.c_str());
        return;
    }
    EmptyFolderAt(folder.lockFd, depth);
    struct stat mine, now;
    if (::fstat(folder.lockFd, &mine) == 0 && ::lstat(folder.path.c_str(), &now) == 0 &&
        mine.st_dev == now.st_dev && mine.st_ino == now.st_ino) {
        ::rmdir(folder.path.c_str());
    }
    ::close(folder.lockFd);
}

void RemoveAbandonedFolders(const std::string& parent, bool (*named)(std::string_view),
                            std::string_view markPrefix, int depth) {
    DIR* dir = ::opendir(parent.c_str());
    if (dir == nullptr) return;
    const int fd = ::dirfd(dir);
    const uid_t me = ::geteuid();
    // Names are gathered first so that removing does not disturb the listing.
    std::vector<std::string> names;
    while (struct dirent* de = ::readdir(dir)) {
        if (named(de->d_name)) names.emplace_back(de->d_name);
    }
    for (const std::string& name : names) RemoveIfAbandoned(fd, name, me, markPrefix, depth);
    ::closedir(dir);
}

}  // namespace nebu::platform
