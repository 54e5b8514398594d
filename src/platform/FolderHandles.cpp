#include "platform/FolderHandles.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/FileReading.h"

namespace nebu::platform {

namespace {

std::size_t QuarterOfOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 256;
    return std::clamp<std::size_t>(limit.rlim_cur / 4, 16, 8192);
}

}  // namespace

FolderHandles::FolderHandles() : maxOpen_(QuarterOfOpenFileLimit()) {}

FolderHandles::~FolderHandles() {
    Clear();
}

int FolderHandles::OpenForReading(const std::string& path) {
    const int fd = OpenInFolder(path);
    if (fd < 0 && onOpenFailed_) {
        const int error = errno;
        onOpenFailed_(path, error);
        errno = error;
    }
    return fd;
}

int FolderHandles::OpenInFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size())
        return platform::OpenForReading(path);
    const std::string_view folder(path.data(), slash + 1);
    auto found = open_.find(folder);
    if (found == open_.end()) {
        if (open_.size() >= maxOpen_) {
            // Any one goes: dropping all would open them all again when the
            // files come from more folders than are kept.
            if (open_.begin()->second >= 0) ::close(open_.begin()->second);
            open_.erase(open_.begin());
        }
        found = open_.emplace(std::string(folder), OpenFolderForLookups(std::string(folder))).first;
    }
    // A folder that cannot be opened is tried again by the whole path, which
    // reports the failure the same way.
    if (found->second < 0) return platform::OpenForReading(path);
    return OpenForReadingAt(found->second, path.c_str() + slash + 1);
}

void FolderHandles::Clear() {
    for (const auto& [folder, fd] : open_) {
        if (fd >= 0) ::close(fd);
    }
    open_.clear();
}

}  // namespace nebu::platform
