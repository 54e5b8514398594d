#include "engine/Remover.h"

#include <sys/stat.h>

#include <cerrno>
#include <optional>

#include "platform/FileIdentity.h"
#include "platform/PathOpen.h"
#include "platform/Trash.h"
#include "platform/WorkFiles.h"

namespace nebu {

bool Remover::RemoveFile(const std::string& path, const KeptCopy& kept, std::int64_t size) {
    if (path.empty()) return true;
    struct stat st;
    if (size < 0 && ::lstat(path.c_str(), &st) == 0) size = st.st_size;
    // Read-only needs no reset first: on Linux the folder's permission decides.
    // A file the trash does not take stays where it is: deleting it for good
    // instead would lose what the user asked to keep recoverable.
    return ToRecycleBin ? Trash(path, kept, size) : Unlink(path, kept, size);
}

bool Remover::Trash(const std::string& path, const KeptCopy& kept, std::int64_t size) {
    platform::TrashPlace place;
    const bool moved =
        platform::RemoveNotingLinks(path, [&] { return platform::MoveToTrash(path, &place); });
    // A duplicate left in place must not pass for a clean run.
    if (!moved) {
        failures_.Note(FailureKind::DeleteFailed, path);
        return false;
    }
    if (journal_.Record({path, kept.path, kept.entry, size, place.file, place.info}) != 0) {
        return true;
    }
    // Unrecorded, it would be a deletion nobody can trace: it goes back.
    platform::PutBackFromTrash(place, path, nullptr);
    failures_.Note(FailureKind::JournalFailed, path, journal_.Error());
    return false;
}

bool Remover::Unlink(const std::string& path, const KeptCopy& kept, std::int64_t size) {
    // Announced first: once unlinked, nothing could be taken back.
    const std::int64_t seq = journal_.Record({path, kept.path, kept.entry, size, "", ""});
    if (seq == 0) {
        failures_.Note(FailureKind::JournalFailed, path, journal_.Error());
        return false;
    }
    errno = 0;
    const bool removed =
        platform::RemoveNotingLinks(path, [&] { return platform::UnlinkFile(path); });
    if (removed) return true;
    const int error = errno;
    journal_.Withdraw(seq, path);
    failures_.Note(FailureKind::DeleteFailed, path, error);
    return false;
}

bool Remover::DeletedUnderAnotherName(const std::string& path) const {
    const std::optional<platform::FileIdentity> compared = identities_.Of(path);
    if (!compared || deletedDuplicates_.count({compared->device, compared->inode}) == 0) {
        return false;
    }
    const std::optional<platform::FileIdentity> now = platform::IdentityOfPath(path);
    return !now || !now->SameFileAs(*compared);
}

Remover::Removal Remover::RemoveDuplicateOf(const std::string& doomed, const std::string& kept,
                                            const std::string& keptEntry) {
    if (doomed.empty() || kept.empty() || doomed == kept) return Removal::Failed;
    // Known only from what this run did itself, never from a file that is
    // merely missing: that is a change the user must hear of.
    const bool keptGone = DeletedUnderAnotherName(kept);
    if (keptGone || DeletedUnderAnotherName(doomed)) {
        if (log_) {
            log_(keptGone
                     ? "｢" + kept + "｣は別の名前で削除済みなので、｢" + doomed + "｣は残しました。"
                     : "｢" + doomed + "｣は別の名前で削除済みです。");
        }
        return Removal::Settled;
    }
    // The user may have taken minutes over a question: the kept copy may be
    // gone or rewritten, or the doomed name may now hold another file.
    const std::optional<platform::FileIdentity> doomedNow = platform::IdentityOfPath(doomed);
    const std::optional<platform::FileIdentity> keptNow = platform::IdentityOfPath(kept);
    if (!identities_.Unchanged(kept) || !identities_.Unchanged(doomed) || !doomedNow || !keptNow ||
        doomedNow->SameFileAs(*keptNow) ||
        // A whole archive goes only while it holds exactly what was listed.
        (listings_.Find(doomed) != nullptr && !listings_.StillAsListed(doomed, true))) {
        failures_.Note(FailureKind::ChangedNotDeleted, doomed);
        return Removal::Failed;
    }
    if (!RemoveFile(doomed, {kept, keptEntry}, doomedNow->size)) return Removal::Failed;
    deletedDuplicates_.insert({doomedNow->device, doomedNow->inode});
    return Removal::Deleted;
}

void Remover::RemoveEmptyDirectories(TDirList& roots, const ScanOptions& options) {
    // rmdir refuses anything that is not empty, and a link is never a
    // directory to it.
    scanner_.VisitSubDirectories(roots, options,
                                 [this](const std::string& dir) { RemoveEmptyDirectory(dir); });
}

void Remover::RemoveEmptyTargetDirectories(TDirList& targets, TDirList& sources,
                                           const ScanOptions& options) {
    // Each source directory and every folder above it, as the kernel resolves
    // them, whatever the length of its path, since any length is removed.
    keptDirs_.clear();
    std::string dir;
    for (bool more = sources.First(dir); more; more = sources.Next(dir)) {
        platform::AddFolderChain(dir, keptDirs_);
    }
    RemoveEmptyDirectories(targets, options);
    keptDirs_.clear();
}

bool Remover::RemoveEmptyDirectory(const std::string& dir) {
    // Folder by folder from the root, so that no path is too long for it.
    std::pair<std::uint64_t, std::uint64_t> key;
    if (!platform::LinkDeviceInode(dir, key)) {
        if (errno != ENOENT) failures_.Note(FailureKind::FolderNotRemoved, dir, errno);
        return false;
    }
    if (keptDirs_.count(key) != 0) return false;
    if (platform::RemoveEmptyFolder(dir)) return true;
    // Not empty is the usual answer, and no failure: anything else left an
    // empty folder behind.
    if (errno != ENOTEMPTY && errno != EEXIST && errno != ENOENT && errno != ENOTDIR) {
        failures_.Note(FailureKind::FolderNotRemoved, dir, errno);
    }
    return false;
}

}  // namespace nebu
