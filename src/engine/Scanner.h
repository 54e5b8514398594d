#pragma once
// The scanner: walks the folders of one side and turns every file that
// passes the side's conditions into a record of its list; also walks the
// folders below the targets for the removal of empty ones.

#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>

#include "engine/ArchiveCatalogue.h"
#include "engine/DirList.h"
#include "engine/NebuList.h"
#include "engine/RunFailures.h"
#include "platform/DirectorySearch.h"

namespace nebu {

// What one side's scan takes in.
struct ScanOptions {
    std::uint32_t SearchAttr = 0x31;
    std::int64_t SizeMax = 999999999;
    std::int64_t SizeMin = 0;
    bool SubDir = false;
    bool Lzh = false;
    bool Zip = false;
    bool Arc = false;  // 7z, tar and RAR
    std::string Mask;
    std::string Ignore;
    // One record per archive rather than per entry (both sides archives,
    // compared whole).
    bool WholeArchives = false;
};

class Scanner {
  public:
    Scanner(const std::atomic<bool>& stop, RunFailures& failures, ArchiveCatalogue& catalogue)
        : stop_(stop), failures_(failures), catalogue_(catalogue) {}

    // Directory paths end in "/".
    int ScanSide(TDirList& dirs, TNebuList& list, const ScanOptions& options);
    int ScanDirectory(const std::string& dir, TNebuList& list, const ScanOptions& options);
    // Every folder below `roots` (none of them listed itself), children
    // before their parents, so that a chain of empty folders goes in one pass.
    void VisitSubDirectories(TDirList& roots, const ScanOptions& options,
                             const std::function<void(const std::string&)>& visit);

  private:
    // The directories (device, inode) one walk has entered, so that a bind
    // mount or a loop is never entered twice.
    struct WalkState;
    int ScanDirectoryGuarded(const std::string& dir, TNebuList& list, const ScanOptions& options,
                             WalkState& walk, const platform::DirEntry* expected);
    void CollectDirectories(const std::string& root, const ScanOptions& options, WalkState& walk,
                            const platform::DirEntry* expected, TDirList& found);

    const std::atomic<bool>& stop_;
    RunFailures& failures_;
    ArchiveCatalogue& catalogue_;
};

}  // namespace nebu
