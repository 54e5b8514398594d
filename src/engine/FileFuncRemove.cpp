// Every deletion of a user's file or folder goes through here.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "engine/NebuFileFunc.h"
#include "platform/FileIdentity.h"
#include "platform/PathOpen.h"
#include "platform/Trash.h"

namespace nebu {

bool TNebuFileFunc::RemoveFile(const std::string& path) {
    if (path.empty()) return true;
    // Read-only needs no reset first: on Linux the folder's permission decides.
    // A file the trash does not take stays where it is: deleting it for good
    // instead would lose what the user asked to keep recoverable.
    errno = 0;
    const bool removed = platform::RemoveNotingLinks(path, [&] {
        return ToRecycleBin == 0 ? platform::UnlinkFile(path) : platform::MoveToTrash(path);
    });
    // A duplicate left in place must not pass for a clean run.
    if (!removed) Failures.Note(FailureKind::DeleteFailed, path, ToRecycleBin == 0 ? errno : 0);
    return removed;
}

bool TNebuFileFunc::RemoveDuplicate(const std::string& doomed, const std::string& kept) {
    if (doomed.empty() || kept.empty() || doomed == kept) return false;
    // The user may have taken minutes over a question: the kept copy may be
    // gone or rewritten, or the doomed name may now hold another file.
    const std::optional<platform::FileIdentity> doomedNow = platform::IdentityOfPath(doomed);
    const std::optional<platform::FileIdentity> keptNow = platform::IdentityOfPath(kept);
    if (!UnchangedSinceCompared(kept) || !UnchangedSinceCompared(doomed) || !doomedNow ||
        !keptNow || doomedNow->SameFileAs(*keptNow) ||
        // A whole archive goes only while it holds exactly what was listed.
        (listings_.Find(doomed) != nullptr && !ArchiveAsListed(doomed, true))) {
        Failures.Note(FailureKind::ChangedNotDeleted, doomed);
        return false;
    }
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
