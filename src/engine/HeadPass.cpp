#include "engine/HeadPass.h"

#include <algorithm>
#include <string_view>

#include "engine/ByteHash.h"
#include "platform/FileReading.h"
#include "platform/WorkFiles.h"

namespace nebu {

void HeadPass::Request(const std::string* path, std::int64_t size, std::uint64_t* out) {
    if (size < 0) {
        *out = kNoHead;
        return;
    }
    *out = static_cast<std::uint64_t>(size);
    plannedBytes_ += std::min<std::int64_t>(size, kHeadBytes);
    items_.push_back(Item{path, out});
}

void HeadPass::Run(const std::atomic<std::uint8_t>& stop) {
    std::sort(items_.begin(), items_.end(),
              [](const Item& a, const Item& b) { return *a.path < *b.path; });
    char buffer[kHeadBytes];
    std::string folder;
    int folderFd = -1;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if ((i & 255) == 0 && stop.load() != 0) {
            for (std::size_t k = i; k < items_.size(); ++k) *items_[k].out = kNoHead;
            break;
        }
        const Item& item = items_[i];
        const std::string& path = *item.path;
        const auto size = static_cast<std::int64_t>(*item.out);
        *item.out = kNoHead;
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash + 1 == path.size()) continue;
        const std::string_view dir(path.data(), slash + 1);
        if (folderFd < 0 || dir != folder) {
            platform::CloseFile(folderFd);
            folder.assign(dir);
            folderFd = platform::OpenFolderForLookups(folder);
        }
        if (folderFd < 0) continue;
        const int fd = platform::OpenForReadingAt(folderFd, path.c_str() + slash + 1);
        if (fd < 0) continue;
        // The size found by the scan says how many bytes to expect; a file
        // that gives fewer has changed, and one that grew shows it later,
        // when it is read in full.
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(size, kHeadBytes));
        if (platform::ReadFullAt(fd, buffer, want, 0) == static_cast<long>(want)) {
            const std::uint64_t h = HashBytes(buffer, want, static_cast<std::uint64_t>(size));
            *item.out = h == kNoHead ? 1 : h;
        }
        platform::CloseFile(fd);
    }
    platform::CloseFile(folderFd);
    items_.clear();
    plannedBytes_ = 0;
}

}  // namespace nebu
