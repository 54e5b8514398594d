#include <unistd.h>

#include <set>
#include <utility>
#include <vector>

#include "engine/Masks.h"
#include "engine/NebuFileFunc.h"
#include "engine/NebuRecords.h"
#include "platform/DirectorySearch.h"
#include "platform/PathText.h"

namespace nebu {

using platform::DirectorySearch;
using platform::DirEntry;

struct TNebuFileFunc::WalkState {
    std::set<std::pair<dev_t, ino_t>> entered;
    // Directories that must survive the removal walk whatever they hold.
    std::set<std::pair<dev_t, ino_t>> kept;
};

namespace {

enum class WalkOpen { Opened, Failed, Skipped };

// Opens `dir` for one walk. A sub-directory must still be the directory its
// parent listed (it may have been swapped for a link since), and no directory
// is entered twice, whichever name or mount leads to it again.
WalkOpen OpenForWalk(DirectorySearch& search, const std::string& dir, std::uint32_t attrMask,
                     const DirEntry* expected, std::set<std::pair<dev_t, ino_t>>& entered) {
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

int TNebuFileFunc::ScanSide(TDirList& dirs, TNebuList& list) {
    WalkState walk;
    int result = 0;
    std::string dir;
    for (bool more = dirs.First(dir); more; more = dirs.Next(dir)) {
        result = ScanDirectoryGuarded(platform::WithTrailingSeparator(dir), list, walk, nullptr);
        if (Stop.load() == 1) break;
    }
    return result;
}

int TNebuFileFunc::ScanDirectory(const std::string& dir, TNebuList& list) {
    WalkState walk;
    return ScanDirectoryGuarded(platform::WithTrailingSeparator(dir), list, walk, nullptr);
}

int TNebuFileFunc::ScanDirectoryGuarded(const std::string& dir, TNebuList& list, WalkState& walk,
                                        const DirEntry* expected) {
    if (Stop.load() == 1) return 0;

    // Sub-directories wait until this directory's search is closed, so that
    // only one search is ever open however deep the tree goes.
    std::vector<FoundSubDir> subDirs;
    {
        DirectorySearch search;
        switch (OpenForWalk(search, dir, SearchAttr, expected, walk.entered)) {
            case WalkOpen::Opened:
                break;
            case WalkOpen::Failed:
                // Whatever it holds would silently be missing from the results.
                Failures.Note(FailureKind::FolderUnreadable, WithoutTrailingSeparator(dir),
                              search.Error());
                return 0;
            case WalkOpen::Skipped:
                return 1;  // already searched to its end under another name
        }
        DirEntry entry;
        while (Stop.load() == 0 && search.Next(entry)) {
            if (entry.isDirectory) {
                if (SubDir == 1) subDirs.push_back({entry.name, entry});
                continue;
            }
            if (!MatchMaskList(Mask, entry.name)) continue;
            if (MatchMaskList(Ignore, entry.name)) continue;
            // Sized exactly: the list keeps this very string for the run.
            std::string path;
            path.reserve(dir.size() + entry.name.size());
            path.append(dir).append(entry.name);
            if (Lzh == 1 || Zip == 1) {
                DispatchArchive(path, list);
            } else if (SizeMin <= entry.size && entry.size <= SizeMax) {
                _NebuRec rec;
                rec.Size = entry.size;
                rec.Path = std::move(path);
                rec.Kind = kKindPlain;
                list.AddSorted(std::move(rec));
            }
        }
        if (search.Error() != 0) {
            Failures.Note(FailureKind::FolderUnreadable, WithoutTrailingSeparator(dir),
                          search.Error());
        }
    }

    for (auto it = subDirs.rbegin(); it != subDirs.rend(); ++it) {
        ScanDirectoryGuarded(dir + it->name + platform::kPathSeparator, list, walk, &it->entry);
    }
    return 1;
}

void TNebuFileFunc::CollectDirectories(const std::string& root, WalkState& walk,
                                       const DirEntry* expected) {
    std::vector<FoundSubDir> subDirs;
    {
        DirectorySearch search;
        switch (OpenForWalk(search, root, SearchAttr, expected, walk.entered)) {
            case WalkOpen::Opened:
                break;
            case WalkOpen::Failed:
                // Empty folders below it stay: the user asked for them to go.
                Failures.Note(FailureKind::FolderUnreadable, WithoutTrailingSeparator(root),
                              search.Error());
                return;
            case WalkOpen::Skipped:
                return;
        }
        DirEntry entry;
        while (Stop.load() == 0 && search.Next(entry)) {
            if (!entry.isDirectory || SubDir != 1) continue;
            subDirs.push_back({entry.name, entry});
            if (walk.kept.count({entry.device, entry.inode}) == 0) {
                FoundDirs.Add(root + entry.name);
            }
        }
    }
    for (auto it = subDirs.rbegin(); it != subDirs.rend(); ++it) {
        CollectDirectories(root + it->name + platform::kPathSeparator, walk, &it->entry);
    }
}

void TNebuFileFunc::RemoveEmptyDirectories(TDirList& roots) {
    // No listed directory is ever removed, also not one that lies below another.
    WalkState base;
    std::string root;
    for (bool more = roots.First(root); more; more = roots.Next(root)) {
        DirectorySearch search;
        if (search.Open(root, SearchAttr)) base.kept.insert({search.Device(), search.Inode()});
    }

    for (bool more = roots.First(root); more; more = roots.Next(root)) {
        FoundDirs.Clear();
        WalkState walk;
        walk.kept = base.kept;
        CollectDirectories(platform::WithTrailingSeparator(root), walk, nullptr);
        // Children were collected after their parents and come out first, so
        // a chain of empty directories goes in one pass. rmdir refuses
        // anything that is not empty, and a link is never a directory to it.
        std::string dir;
        for (bool found = FoundDirs.First(dir); found; found = FoundDirs.Next(dir)) {
            RemoveEmptyDirectory(dir);
        }
    }
}

}  // namespace nebu
