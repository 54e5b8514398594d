#include "platform/PathOpen.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>

namespace nebu::platform {

namespace {

constexpr std::size_t kLongestCall = PATH_MAX - 1;

// Closes the descriptor it holds, keeping errno as the failure left it.
class HeldFd {
  public:
    ~HeldFd() { Reset(-1); }
    void Reset(int fd) {
        if (fd_ >= 0) {
            const int saved = errno;
            ::close(fd_);
            errno = saved;
        }
        fd_ = fd;
    }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_ = -1;
};

// Walks `path` until what is left fits one call; `dirFd` and `rest` then
// name the same place. False when a folder on the way cannot be opened.
bool WalkToShortRest(int& dirFd, HeldFd& held, const std::string& path, std::size_t& rest) {
    rest = 0;
    if (path.size() <= kLongestCall) return true;
    if (path.front() == '/') {
        const int root = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (root < 0) return false;
        held.Reset(root);
        dirFd = root;
    }
    while (rest < path.size() && path[rest] == '/') ++rest;
    while (path.size() - rest > kLongestCall) {
        // The longest run of whole names that one call takes.
        const std::size_t cut = path.rfind('/', rest + kLongestCall - 1);
        if (cut == std::string::npos || cut <= rest) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::string step = path.substr(rest, cut - rest);
        const int next = ::openat(dirFd, step.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (next < 0) return false;
        held.Reset(next);
        dirFd = next;
        rest = cut + 1;
        while (rest < path.size() && path[rest] == '/') ++rest;
    }
    return true;
}

}  // namespace

int OpenPathAt(int dirFd, const std::string& path, int flags, mode_t mode) {
    HeldFd held;
    std::size_t rest = 0;
    if (!WalkToShortRest(dirFd, held, path, rest)) return -1;
    const char* name = rest < path.size() ? path.c_str() + rest : ".";
    int fd;
    do {
        fd = ::openat(dirFd, name, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int OpenParentFolder(const std::string& path, std::string& leaf) {
    const std::size_t slash = path.rfind('/');
    leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    if (leaf.empty() || leaf == "." || leaf == "..") {
        errno = EINVAL;
        return -1;
    }
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    return OpenPath(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

namespace {

template <typename Act>
bool InParent(const std::string& path, Act&& act) {
    if (path.size() <= kLongestCall) return act(AT_FDCWD, path.c_str());
    std::string leaf;
    HeldFd parent;
    const int fd = OpenParentFolder(path, leaf);
    if (fd < 0) return false;
    parent.Reset(fd);
    return act(fd, leaf.c_str());
}

}  // namespace

bool LinkStatus(const std::string& path, struct stat& st) {
    return InParent(path, [&](int dir, const char* name) {
        return ::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
    });
}

bool UnlinkFile(const std::string& path) {
    return InParent(path, [](int dir, const char* name) { return ::unlinkat(dir, name, 0) == 0; });
}

bool RemoveEmptyFolder(const std::string& path) {
    return InParent(
        path, [](int dir, const char* name) { return ::unlinkat(dir, name, AT_REMOVEDIR) == 0; });
}

}  // namespace nebu::platform
