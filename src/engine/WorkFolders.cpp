#include <dirent.h>
#include <fcntl.h>
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
    for (unsigned i = 0; i < kNameValues; ++i) {
        const std::string path = temp + WorkFolderName(slot, start + i);
        if (::mkdir(path.c_str(), 0700) == 0) {
            TempDir[slot] = path + platform::kPathSeparator;
            return true;
        }
        if (errno != EEXIST) break;
    }
    Ask("作業ディレクトリが作れません", MsgButtons::Ok);
    return false;
}

void TNebuFileFunc::RemoveWorkFolders() {
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
    for (const std::string& name : names) {
        struct stat st;
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        // Only our own folders; rmdir itself refuses one that is not empty.
        if (!S_ISDIR(st.st_mode) || st.st_uid != me) continue;
        ::unlinkat(fd, name.c_str(), AT_REMOVEDIR);
    }
    ::closedir(dir);
}

}  // namespace nebu
