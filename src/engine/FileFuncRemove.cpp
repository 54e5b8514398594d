// Every deletion of a user's file or folder goes through here.

#include <fcntl.h>
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
    return RemoveDuplicateOf(doomed, kept) == Removal::Deleted;
}

bool TNebuFileFunc::DeletedUnderAnotherName(const std::string& path) const {
    const std::optional<platform::FileIdentity> compared = ComparedIdentity(path);
    if (!compared || deletedDuplicates_.count({compared->device, compared->inode}) == 0) {
        return false;
    }
    const std::optional<platform::FileIdentity> now = platform::IdentityOfPath(path);
    return !now || !now->SameFileAs(*compared);
}

TNebuFileFunc::Removal TNebuFileFunc::RemoveDuplicateOf(const std::string& doomed,
                                                        const std::string& kept) {
    if (doomed.empty() || kept.empty() || doomed == kept) return Removal::Failed;
    // Known only from what this run did itself, never from a file that is
    // merely missing: that is a change the user must hear of.
    const bool keptGone = DeletedUnderAnotherName(kept);
    if (keptGone || DeletedUnderAnotherName(doomed)) {
        if (LogLine) {
            LogLine(keptGone
                        ? "｢" + kept + "｣は別の名前で削除済みなので、｢" + doomed + "｣は残しました。"
                        : "｢" + doomed + "｣は別の名前で削除済みです。");
        }
        return Removal::Settled;
    }
    // The user may have taken minutes over a question: the kept copy may be
    // gone or rewritten, or the doomed name may now hold another file.
    const std::optional<platform::FileIdentity> doomedNow = platform::IdentityOfPath(doomed);
    const std::optional<platform::FileIdentity> keptNow = platform::IdentityOfPath(kept);
    if (!UnchangedSinceCompared(kept) || !UnchangedSinceCompared(doomed) || !doomedNow ||
        !keptNow || doomedNow->SameFileAs(*keptNow) ||
        // A whole archive goes only while it holds exactly what was listed.
        (listings_.Find(doomed) != nullptr && !ArchiveAsListed(doomed, true))) {
        Failures.Note(FailureKind::ChangedNotDeleted, doomed);
        return Removal::Failed;
    }
    if (!RemoveFile(doomed)) return Removal::Failed;
    deletedDuplicates_.insert({doomedNow->device, doomedNow->inode});
    return Removal::Deleted;
}

void TNebuFileFunc::RemoveEmptyTargetDirectories(TDirList& targets, TDirList& sources) {
    // Each source directory and every folder above it, as the kernel resolves
    // them: ".." steps up through links the way a path lookup would, and a
    // path of any length is reached, since any length is removed.
    keptDirs_.clear();
    std::string dir;
    for (bool more = sources.First(dir); more; more = sources.Next(dir)) {
        int fd = platform::OpenPath(dir, O_PATH | O_DIRECTORY | O_CLOEXEC);
        struct stat st;
        while (fd >= 0 && ::fstat(fd, &st) == 0 &&
               keptDirs_.insert({st.st_dev, st.st_ino}).second) {
            const int up = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = up;
        }
        if (fd >= 0) ::close(fd);
    }
    RemoveEmptyDirectories(targets);
    keptDirs_.clear();
}

bool TNebuFileFunc::RemoveEmptyDirectory(const std::string& dir) {
    // Folder by folder from the root, so that no path is too long for it.
    struct stat st;
    if (!platform::LinkStatus(dir, st)) {
        if (errno != ENOENT) Failures.Note(FailureKind::FolderNotRemoved, dir, errno);
        return false;
    }
    if (keptDirs_.count({st.st_dev, st.st_ino}) != 0) return false;
    if (platform::RemoveEmptyFolder(dir)) return true;
    // Not empty is the usual answer, and no failure: anything else left an
    // empty folder behind.
    if (errno != ENOTEMPTY && errno != EEXIST && errno != ENOENT && errno != ENOTDIR) {
        Failures.Note(FailureKind::FolderNotRemoved, dir, errno);
    }
    return false;
}

}  // namespace nebu
