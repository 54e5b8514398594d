#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/NebuFileFunc.h"
#include "platform/PathText.h"
#include "platform/SystemFolders.h"

namespace nebu {

namespace {

constexpr unsigned kNameValues = 0x10000;  // four hexadecimal digits
// The mark inside a work folder: a folder (the extraction steps take files
// only) whose name ends in the owner's process id.
constexpr std::string_view kOwnerMark = "nebu-owner.";
// A work folder holds extracted files, the cache folder and the mark.
constexpr int kWorkFolderDepth = 3;

std::string WorkFolderName(int slot, unsigned value) {
    char name[16];
    std::snprintf(name, sizeof name, "nb%d%04X.tmp", slot, value & 0xFFFFu);
    return name;
}

bool IsWorkFolderName(std::string_view name) {
    return name.size() >= 6 && name.substr(0, 2) == "nb" && name.substr(name.size() - 4) == ".tmp";
}

// Where the name search starts; the names need not be secret, mkdir keeps them safe.
unsigned RandomStart() {
    try {
        std::random_device seed;
        return seed() % kNameValues;
    } catch (...) {
        return static_cast<unsigned>(::getpid()) % kNameValues;
    }
}

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

bool HoldsOwnerMark(int dirFd) {
    const int listFd = OpenFolderNoFollow(dirFd, ".");
    if (listFd < 0) return false;
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return false;
    }
    bool found = false;
    while (const dirent* de = ::readdir(dir)) {
        if (std::string_view(de->d_name).substr(0, kOwnerMark.size()) == kOwnerMark) {
            struct stat st;
            found =
                ::fstatat(dirFd, de->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
            if (found) break;
        }
    }
    ::closedir(dir);
    return found;
}

// Removes `name` in `tempFd` when it is a marked work folder of this user
// that no live process holds. The lock, not the recorded id, decides: it
// goes with its process, whatever became of the id.
void RemoveIfAbandoned(int tempFd, const std::string& name, uid_t me) {
    const int fd = OpenFolderNoFollow(tempFd, name.c_str());
    if (fd < 0) return;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_uid == me && HoldsOwnerMark(fd) &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        EmptyFolderAt(fd, kWorkFolderDepth);
        struct stat now;
        // Still the folder that was emptied, not one put under its name since.
        if (::fstatat(tempFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            now.st_dev == st.st_dev && now.st_ino == st.st_ino) {
            ::unlinkat(tempFd, name.c_str(), AT_REMOVEDIR);
        }
    }
    ::close(fd);
}

}  // namespace

bool TNebuFileFunc::CreateWorkFolders() {
    return CreateWorkFolder(0) && CreateWorkFolder(1);
}

bool TNebuFileFunc::CreateWorkFolder(int slot) {
    if (slot < 0 || slot > 1) return false;
    const std::string temp = platform::SystemTempFolder();

    // The folder is made in one step under a fresh name: whatever already
    // holds a name (a folder, a file or a link someone planted) makes mkdir
    // fail with EEXIST, and the next name is tried. Every name is tried once
    // before giving up.
    const unsigned start = RandomStart();
    int error = 0;
    for (unsigned i = 0; i < kNameValues; ++i) {
        const std::string path = temp + WorkFolderName(slot, start + i);
        if (::mkdir(path.c_str(), 0700) == 0) {
            TempDir[slot] = path + platform::kPathSeparator;
            // Locked before it is marked, so a marked folder is never seen
            // unlocked while its run lives. Without a lock it stays unmarked,
            // and nobody else takes it.
            const int fd = OpenFolderNoFollow(AT_FDCWD, path.c_str());
            if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                const std::string mark = std::string(kOwnerMark) + std::to_string(::getpid());
                ::mkdirat(fd, mark.c_str(), 0700);
            }
            heldWorkFolders_.push_back({path, fd});
            return true;
        }
        error = errno;
        if (error != EEXIST) break;
    }
    Failures.Note(FailureKind::NoWorkFolders, temp, error);
    Ask("作業ディレクトリが作れません", MsgButtons::Ok);
    return false;
}

void TNebuFileFunc::ReleaseWorkFolders() {
    for (const HeldWorkFolder& held : heldWorkFolders_) {
        if (held.lockFd < 0) {
            ::rmdir(held.path.c_str());
            continue;
        }
        // Our own folder goes whole: what it still holds are copies made by
        // this run.
        EmptyFolderAt(held.lockFd, kWorkFolderDepth);
        struct stat mine, now;
        if (::fstat(held.lockFd, &mine) == 0 && ::lstat(held.path.c_str(), &now) == 0 &&
            mine.st_dev == now.st_dev && mine.st_ino == now.st_ino) {
            ::rmdir(held.path.c_str());
        }
        ::close(held.lockFd);
    }
    heldWorkFolders_.clear();
}

void TNebuFileFunc::RemoveWorkFolders() {
    ReleaseWorkFolders();

    const std::string temp = platform::SystemTempFolder();
    DIR* dir = ::opendir(temp.c_str());
    if (dir == nullptr) return;
    const int fd = ::dirfd(dir);
    const uid_t me = ::geteuid();

    // Names are gathered first so that removing does not disturb the listing.
    std::vector<std::string> names;
    while (struct dirent* de = ::readdir(dir)) {
        if (IsWorkFolderName(de->d_name)) names.emplace_back(de->d_name);
    }
    for (const std::string& name : names) RemoveIfAbandoned(fd, name, me);
    ::closedir(dir);
}

}  // namespace nebu
