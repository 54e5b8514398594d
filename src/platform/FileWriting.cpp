#include "platform/FileWriting.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace nebu::platform {

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

constexpr int kMaxLinkHops = 40;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The path that the chain of links starting at `path` ends in; it may name
// nothing yet. Followed link by link rather than by realpath, which gives up
// on a link whose target does not exist.
bool FinalTarget(const std::string& path, std::string& target, int& err) {
    target = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) {
            err = errno;
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        target = !link.empty() && link.front() == '/' ? link : FolderOf(target) + link;
    }
    err = ELOOP;
    return false;
}

bool WriteInPlace(const std::string& path, std::string_view bytes, int& err) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        err = errno;
        return false;
    }
    bool ok = WriteAll(fd, bytes);
    if (!ok) err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    return ok;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes, int& err) {
    if (path.empty() || path.back() == '/') {
        err = EISDIR;
        return false;
    }
    struct stat st;
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)))
        return WriteInPlace(path, bytes, err);
    if (exists && !S_ISREG(st.st_mode)) {
        err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    std::string target;
    if (!FinalTarget(path, target, err)) return false;
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        err = errno;
        return false;
    }
    const std::size_t slash = target.rfind('/');
    std::string temp = FolderOf(target) + "." +
                       (slash == std::string::npos ? target : target.substr(slash + 1)) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        return false;
    }
    bool ok = ::fchmod(fd, exists ? (st.st_mode & 07777) : 0644) == 0 && WriteAll(fd, bytes) &&
              ::fsync(fd) == 0;
    if (!ok) err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace nebu::platform
