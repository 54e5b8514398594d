#include "engine/Scanner.h"

#include <set>
#include <utility>
#include <vector>

#include "engine/Masks.h"
#include "engine/NebuRecords.h"
#include "platform/DirectorySearch.h"
#include "platform/PathText.h"

namespace nebu {

using platform::DirectorySearch;
using platform::DirEntry;

struct Scanner::WalkState {
    std::set<std::pair<std::uint64_t, std::uint64_t>> entered;
    // Directories that must survive the removal walk whatever they hold.
    std::set<std::pair<std::uint64_t, std::uint64_t>> kept;
};

namespace {

enum class WalkOpen { Opened, Failed, Skipped };

// Opens `dir` for one walk. A sub-directory must still be the directory its
// parent listed (it may have been swapped for a link since), and no directory
// is entered twice, whichever name or mount leads to it again.
WalkOpen OpenForWalk(DirectorySearch& search, const std::string& dir, std::uint32_t attrMask,
                     const DirEntry* expected,
                     std::set<std::pair<std::uint64_t, std::uint64_t>>& entered) {
    if (!search.Open(dir, attrMask)) return WalkOpen::Failed;
    if (expected != nullptr &&
        (search.Device() != expected->device || search.Inode() != expected->inode)) {
        search.Close();
        return WalkOpen::Failed;
    }
    if (!entered.insert({search.Device(), search.Inode()}).second) {
        search.Close();
        return WalkOpen::Skipped;
    }
    return WalkOpen::Opened;
}

struct FoundSubDir {
    std::string name;
    DirEntry entry;
};

std::string WithoutTrailingSeparator(std::string dir) {
    while (dir.size() > 1 && dir.back() == platform::kPathSeparator) dir.pop_back();
    return dir;
}

}  // namespace

int Scanner::ScanSide(TDirList& dirs, TNebuList& list, const ScanOptions& options) {
    WalkState walk;
    int result = 0;
    std::string dir;
    for (bool more = dirs.First(dir); more; more = dirs.Next(dir)) {
        result = ScanDirectoryGuarded(platform::WithTrailingSeparator(dir), list, options, walk,
                                      nullptr);
        if (stop_.load()) break;
    }
    return result;
}

int Scanner::ScanDirectory(const std::string& dir, TNebuList& list, const ScanOptions& options) {
    WalkState walk;
    return ScanDirectoryGuarded(platform::WithTrailingSeparator(dir), list, options, walk, nullptr);
}

int Scanner::ScanDirectoryGuarded(const std::string& dir, TNebuList& list,
                                  const ScanOptions& options, WalkState& walk,
                                  const DirEntry* expected) {
    if (stop_.load()) return 0;

    // Sub-directories wait until this directory's search is closed, so that
    // only one search is ever open however deep the tree goes.
    std::vector<FoundSubDir> subDirs;
    {
        DirectorySearch search;
        switch (OpenForWalk(search, dir, options.SearchAttr, expected, walk.entered)) {
            case WalkOpen::Opened:
                break;
            case WalkOpen::Failed:
                // Whatever it holds would silently be missing from the results.
                failures_.Note(FailureKind::FolderUnreadable, WithoutTrailingSeparator(dir),
                               search.Error());
                return 0;
            case WalkOpen::Skipped:
                return 1;  // already searched to its end under another name
        }
        DirEntry entry;
        while (!stop_.load() && search.Next(entry)) {
            if (entry.isDirectory) {
                if (options.SubDir) subDirs.push_back({entry.name, entry});
                continue;
            }
            if (!MatchMaskList(options.Mask, entry.name)) continue;
            if (MatchMaskList(options.Ignore, entry.name)) continue;
            // Sized exactly: the list keeps this very string for the run.
            std::string path;
            path.reserve(dir.size() + entry.name.size());
            path.append(dir).append(entry.name);
            if (const ArchiveChoice archives{options.Lzh, options.Zip, options.Arc};
                archives.Any()) {
                catalogue_.Dispatch(path, list, archives, options.WholeArchives);
            } else if (options.SizeMin <= entry.size && entry.size <= options.SizeMax) {
                NebuRec rec;
                rec.Size = entry.size;
                rec.Path = std::move(path);
                rec.Kind = kKindPlain;
                list.AddSorted(std::move(rec));
            }
        }
        if (search.Error() != 0) {
            failures_.Note(FailureKind::FolderUnreadable, WithoutTrailingSeparator(dir),
                           search.Error());
        }
    }

    for (auto it = subDirs.rbegin(); it != subDirs.rend(); ++it) {
        ScanDirectoryGuarded(dir + it->name + platform::kPathSeparator, list, options, walk,
                             &it->entry);
    }
    return 1;
}

void Scanner::CollectDirectories(const std::string& root, const ScanOptions& options,
                                 WalkState& walk, const DirEntry* expected, TDirList& found) {
    std::vector<FoundSubDir> subDirs;
    {
        DirectorySearch search;
        switch (OpenForWalk(search, root, options.SearchAttr, expected, walk.entered)) {
            case WalkOpen::Opened:
                break;
            case WalkOpen::Failed:
                // Empty folders below it stay: the user asked for them to go.
                failures_.Note(FailureKind::FolderUnreadable, WithoutTrailingSeparator(root),
                               search.Error());
                return;
            case WalkOpen::Skipped:
                return;
        }
        DirEntry entry;
        while (!stop_.load() && search.Next(entry)) {
            if (!entry.isDirectory || !options.SubDir) continue;
            subDirs.push_back({entry.name, entry});
            if (walk.kept.count({entry.device, entry.inode}) == 0) {
                found.Add(root + entry.name);
            }
        }
    }
    for (auto it = subDirs.rbegin(); it != subDirs.rend(); ++it) {
        CollectDirectories(root + it->name + platform::kPathSeparator, options, walk, &it->entry,
                           found);
    }
}

void Scanner::VisitSubDirectories(TDirList& roots, const ScanOptions& options,
                                  const std::function<void(const std::string&)>& visit) {
    // No listed directory is ever visited, also not one that lies below another.
    WalkState base;
    std::string root;
    for (bool more = roots.First(root); more; more = roots.Next(root)) {
        DirectorySearch search;
        if (search.Open(root, options.SearchAttr)) {
            base.kept.insert({search.Device(), search.Inode()});
        }
    }

    for (bool more = roots.First(root); more; more = roots.Next(root)) {
        TDirList found;
        WalkState walk;
        walk.kept = base.kept;
        CollectDirectories(platform::WithTrailingSeparator(root), options, walk, nullptr, found);
        // Children were collected after their parents and come out first.
        std::string dir;
        for (bool next = found.First(dir); next; next = found.Next(dir)) visit(dir);
    }
}

}  // namespace nebu
