#include "engine/WorkFolders.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <string_view>

#include "platform/PathText.h"
#include "platform/SystemFolders.h"
#include "platform/WorkFiles.h"

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
        return static_cast<unsigned>(platform::ProcessId()) % kNameValues;
    }
}

}  // namespace

bool WorkFolders::Create(int slot, int& error) {
    error = 0;
    if (slot < 0 || slot > 1) return false;
    const std::string temp = platform::SystemTempFolder();
    // The folder is made in one step under a fresh name: whatever already
    // holds a name (a folder, a file or a link someone planted) makes it
    // fail with EEXIST, and the next name is tried. Every name is tried once
    // before giving up.
    const unsigned start = RandomStart();
    for (unsigned i = 0; i < kNameValues; ++i) {
        const std::string path = temp + WorkFolderName(slot, start + i);
        platform::LockedFolder made;
        if (platform::MakeLockedFolder(path, kOwnerMark, made)) {
            Paths[slot] = path + platform::kPathSeparator;
            held_.push_back(std::move(made));
            return true;
        }
        error = errno;
        if (error != EEXIST) break;
    }
    return false;
}

void WorkFolders::Release() {
    // Our own folder goes whole: what it still holds are copies made by this run.
    for (const platform::LockedFolder& held : held_) {
        platform::RemoveLockedFolder(held, kWorkFolderDepth);
    }
    held_.clear();
}

void WorkFolders::RemoveAll() {
    Release();
    platform::RemoveAbandonedFolders(platform::SystemTempFolder(), &IsWorkFolderName, kOwnerMark,
                                     kWorkFolderDepth);
}

}  // namespace nebu
