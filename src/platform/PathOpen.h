#pragma once
// Paths of any length. The kernel takes at most PATH_MAX bytes in one call;
// a deeper path is walked from folder to folder, each step relative to the
// folder opened before it, so that a deep tree is as reachable as a flat one.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace nebu::platform {

// openat(dirFd, path, flags) for a path of any length; -1 with errno set.
int OpenPathAt(int dirFd, const std::string& path, int flags, mode_t mode = 0);
inline int OpenPath(const std::string& path, int flags) {
    return OpenPathAt(AT_FDCWD, path, flags);
}

// The folder holding `path` (O_PATH), with the last name in `leaf`; -1 when
// that folder cannot be reached or `path` names no entry ("/", "a/").
int OpenParentFolder(const std::string& path, std::string& leaf);

// lstat, unlink and rmdir for a path of any length; errno is set on failure.
bool LinkStatus(const std::string& path, struct stat& st);
bool UnlinkFile(const std::string& path);
bool RemoveEmptyFolder(const std::string& path);

}  // namespace nebu::platform
