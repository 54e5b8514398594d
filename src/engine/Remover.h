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

namespace nebu {

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

    bool RemoveFile(const std::string& path);
    // Tells a refusal from a pair that needs nothing more: one whose file
    // this run has already deleted under another name (sides that overlap,
    // one side mounted inside the other). Such a pair is logged, is no
    // failure, and its kept copy is gone or the last one left.
    enum class Removal { Deleted, Failed, Settled };
    Removal RemoveDuplicateOf(const std::string& doomed, const std::string& kept);
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

    RunFailures& failures_;
    const ComparedIdentities& identities_;
    const ListedArchives& listings_;
    Scanner& scanner_;
    const LogFn& log_;
    // The files (device, inode) deleted as duplicates since the identities
    // were last forgotten: another path may still lead to them in the lists.
    std::set<std::pair<std::uint64_t, std::uint64_t>> deletedDuplicates_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> keptDirs_;
};

}  // namespace nebu
