// Every deletion of a user's file or folder goes through here.

#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "engine/NebuFileFunc.h"
#include "platform/Trash.h"

namespace nebu {

bool TNebuFileFunc::RemoveFile(const std::string& path) {
    if (path.empty()) return true;
    // Read-only needs no reset first: on Linux the folder's permission decides.
    if (ToRecycleBin == 0) return ::unlink(path.c_str()) == 0;
    // A file the trash does not take stays where it is: deleting it for good
    // instead would lose what the user asked to keep recoverable.
    return platform::MoveToTrash(path);
}

bool TNebuFileFunc::RemoveDuplicate(const std::string& doomed, const std::string& kept) {
    if (doomed.empty() || kept.empty() || doomed == kept) return false;
    // The user may have taken minutes over a question: the kept copy may be
    // gone or rewritten, or the doomed name may now hold another file.
    if (!UnchangedSinceCompared(kept) || !UnchangedSinceCompared(doomed)) return false;
    const std::optional<platform::FileIdentity> doomedNow = platform::IdentityOfPath(doomed);
    const std::optional<platform::FileIdentity> keptNow = platform::IdentityOfPath(kept);
    if (!doomedNow || !keptNow || doomedNow->SameFileAs(*keptNow)) return false;
    return RemoveFile(doomed);
}

void TNebuFileFunc::RemoveEmptyTargetDirectories(TDirList& targets, TDirList& sources) {
    // Each source directory and every folder above it, as the kernel resolves
    // them: "/.." steps up through links the way a path lookup would.
    keptDirs_.clear();
    std::string dir;
    for (bool more = sources.First(dir); more; more = sources.Next(dir)) {
        std::string up = dir;
        struct stat st;
        while (::stat(up.c_str(), &st) == 0 && keptDirs_.insert({st.st_dev, st.st_ino}).second) {
            if (!up.empty() && up.back() != '/') up += '/';
            up += "..";
        }
    }
    RemoveEmptyDirectories(targets);
    keptDirs_.clear();
}

bool TNebuFileFunc::RemoveEmptyDirectory(const std::string& dir) {
    struct stat st;
    if (::lstat(dir.c_str(), &st) != 0) return false;
    if (keptDirs_.count({st.st_dev, st.st_ino}) != 0) return false;
    return ::rmdir(dir.c_str()) == 0;
}

}  // namespace nebu
