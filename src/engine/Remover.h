#pragma once
// The remover: every deletion of a user's file or folder goes through here,
// duplicates only while neither file of the pair changed since it was
// compared.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>

#include "engine/ComparedIdentities.h"
#include "engine/DirList.h"
#include "engine/ListedArchives.h"
#include "engine/RunFailures.h"
#include "engine/Scanner.h"
#include "journal/DeletionJournal.h"

namespace nebu {

// The file a deleted one equalled, which stays: a plain file, or an archive
// and the entry in it. The journal names it beside each deletion.
struct KeptCopy {
    std::string path;
    std::string entry;
};

class Remover {
  public:
    using LogFn = std::function<void(const std::string&)>;
    Remover(RunFailures& failures, const ComparedIdentities& identities,
            const ListedArchives& listings, Scanner& scanner, const LogFn& log)
        : failures_(failures),
          identities_(identities),
          listings_(listings),
          scanner_(scanner),
          log_(log) {}

    // To the trash rather than deleted for good.
    bool ToRecycleBin = false;

    // Each deletion is in the journal before it counts as done; a file whose
    // line cannot be written stays where it is.
    // `size` when the caller knows it, else -1 and it is looked up.
    bool RemoveFile(const std::string& path, const KeptCopy& kept = {}, std::int64_t size = -1);
    // Tells a refusal from a pair that needs nothing more: one whose file
    // this run has already deleted under another name (sides that overlap,
    // one side mounted inside the other). Such a pair is logged, is no
    // failure, and its kept copy is gone or the last one left.
    enum class Removal { Deleted, Failed, Settled };
    Removal RemoveDuplicateOf(const std::string& doomed, const std::string& kept,
                              const std::string& keptEntry = "");
    journal::DeletionJournal& Journal() { return journal_; }
    // Forgets which files were deleted as duplicates, with the identities.
    void ForgetDeleted() { deletedDuplicates_.clear(); }

    void RemoveEmptyDirectories(TDirList& roots, const ScanOptions& options);
    // The same below the targets, where a source directory, or a directory
    // that holds one, is never removed even when it is empty.
    void RemoveEmptyTargetDirectories(TDirList& targets, TDirList& sources,
                                      const ScanOptions& options);
    // rmdir, refused for the directories kept by RemoveEmptyTargetDirectories.
    bool RemoveEmptyDirectory(const std::string& dir);

  private:
    bool DeletedUnderAnotherName(const std::string& path) const;
    bool Trash(const std::string& path, const KeptCopy& kept, std::int64_t size);
    bool Unlink(const std::string& path, const KeptCopy& kept, std::int64_t size);

    RunFailures& failures_;
    const ComparedIdentities& identities_;
    const ListedArchives& listings_;
    Scanner& scanner_;
    const LogFn& log_;
    // The files (device, inode) deleted as duplicates since the identities
    // were last forgotten: another path may still lead to them in the lists.
    std::set<std::pair<std::uint64_t, std::uint64_t>> deletedDuplicates_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> keptDirs_;
    journal::DeletionJournal journal_;
};

}  // namespace nebu
