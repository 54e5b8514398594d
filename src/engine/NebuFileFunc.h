#pragma once
// The file functions of a job: scanning, archive listing, work folders,
// extraction, byte comparison and deletion. Runs on the worker thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/ArchiverLibrary.h"
#include "engine/ContentClasses.h"
#include "engine/DirList.h"
#include "engine/EntryCache.h"
#include "engine/FolderHandles.h"
#include "engine/ListedArchives.h"
#include "engine/NebuHost.h"
#include "engine/NebuList.h"
#include "engine/RunFailures.h"
#include "platform/DirectorySearch.h"
#include "platform/FileIdentity.h"

namespace nebu {

class TNebuFileFunc {
  public:
    TNebuFileFunc();  // loads both archiver libraries
    ~TNebuFileFunc();
    TNebuFileFunc(const TNebuFileFunc&) = delete;
    TNebuFileFunc& operator=(const TNebuFileFunc&) = delete;

    // ---- fields ----
    // Work folder slots: 0 and 1 are made by CreateWorkFolder, each path ending
    // in "/"; slot 2 is never made and stays empty, so an extraction into it
    // yields nothing.
    std::string TempDir[3];
    std::uint8_t LzhReady = 0;
    std::uint8_t ZipReady = 0;
    TDirList FoundDirs;
    std::string Caption = "NEBU for Win32";
    std::atomic<std::uint8_t> Stop{0};
    std::uint32_t SearchAttr = 0x31;
    std::int64_t SizeMax = 999999999;
    std::int64_t SizeMin = 0;
    std::uint8_t ToRecycleBin = 0;
    std::uint8_t SubDir = 0;
    std::uint8_t Lzh = 0;
    std::uint8_t Zip = 0;
    std::uint8_t ArcAsUnit = 0;
    std::string Mask;
    std::string Ignore;

    // Questions and messages go through the host; the job sets it.
    NebuHost* Host = nullptr;
    // Deletions, folders and work folders that failed; the job clears it
    // when a run starts.
    RunFailures Failures;

    // ---- scanning (directory paths end in "/") ----
    int ScanSide(TDirList& dirs, TNebuList& list);
    int ScanDirectory(const std::string& dir, TNebuList& list);
    void RemoveEmptyDirectories(TDirList& roots);
    // The same below the targets, where a source directory, or a directory
    // that holds one, is never removed even when it is empty.
    void RemoveEmptyTargetDirectories(TDirList& targets, TDirList& sources);
    // rmdir, refused for the directories kept by RemoveEmptyTargetDirectories.
    bool RemoveEmptyDirectory(const std::string& dir);

    // ---- archive listing ----
    void DispatchArchive(const std::string& path, TNebuList& list);
    void ListLzhArchive(const std::string& path, TNebuList& list);
    void ListZipArchive(const std::string& path, TNebuList& list);

    // ---- work folders ----
    // Each folder this object makes stays locked while it exists and holds
    // a mark naming the process, so that another run never takes it for a
    // leftover.
    bool CreateWorkFolders();
    bool CreateWorkFolder(int slot);
    // Removes the folders this object made, with whatever they still hold,
    // and the leftovers of runs that died; nothing of a live run, nothing
    // without the mark, nothing of another user.
    void RemoveWorkFolders();

    // ---- content comparison and extraction ----
    bool CompareContents(const std::string& path1, const std::string& path2);
    bool SameContents(const std::string& path1, const std::string& path2);
    // `position` is the entry's place in its archive's listing; with it,
    // while a group is under way, the entry is taken from one pass over the
    // archive that also fetches what the coming groups need.
    std::string ExtractEntry(const std::string& archivePath, const std::string& entryName, int slot,
                             std::uint8_t kind, std::int32_t position = -1);
    std::string ExtractLzhEntry(const std::string& archivePath, const std::string& entryName,
                                int slot);
    std::string ExtractZipEntry(const std::string& archivePath, const std::string& entryName,
                                int slot);
    std::string TakeExtractedFile(int slot);
    // The files of the size group about to be compared: read once, side by
    // side, so that SameContents on any two of them is a lookup. Files not
    // given here are compared byte by byte as before.
    void PrepareGroup(std::vector<std::string> paths, const ContentClasses::Heads* heads = nullptr);
    // The same for texts that stay in place until EndGroup.
    void PrepareGroup(const std::vector<const std::string*>& paths,
                      const ContentClasses::Heads* heads = nullptr);
    void AddToGroup(const std::string& path);
    void EndGroup();
    // Ends the last group and removes the folder that held its extractions.
    void RemoveExtractionCacheFolder();
    const ContentClasses& GroupClasses() const { return classes_; }
    // Deletes an extracted file for good (no trash, no question).
    void DeleteExtracted(const std::string& path);
    // The size keys the coming walk compares, so that entries of other sizes
    // are never extracted ahead.
    void SetNeededSizes(std::vector<std::int64_t> sizes) {
        cache_.SetNeededSizes(std::move(sizes));
    }
    // An archive may be deleted whole only while this holds: it is the file
    // that was listed, and it holds exactly the listed entries, all of them
    // taken in by the listing.
    bool ArchiveAsListed(const std::string& path) const { return listings_.StillAsListed(path); }
    const ListedArchives& Listings() const { return listings_; }
    // Folders of the files read whole, held open for the run.
    FolderHandles& Folders() { return folders_; }
    // The bytes of a listed entry of at most EntryCache::kSmall bytes, held in
    // memory until its group is done; nullptr when it cannot be extracted
    // (asked about as any failed extraction).
    const std::string* EntryBytes(const std::string& archivePath, const std::string& entryName,
                                  std::uint8_t kind, std::int32_t position);

    // ---- deletion ----
    bool RemoveFile(const std::string& path);
    // The identities remembered at comparison time, and the check made just
    // before a duplicate is deleted: the kept file must still be there and
    // neither may have changed since it was compared.
    void ForgetIdentities();
    void RememberIdentity(const std::string& path, const platform::FileIdentity& identity);
    bool UnchangedSinceCompared(const std::string& path) const;
    // What the last comparison of `path` saw, without looking at it again.
    std::optional<platform::FileIdentity> ComparedIdentity(const std::string& path) const;
    bool RemoveDuplicate(const std::string& doomed, const std::string& kept);

    ArchiverLibrary& LzhLibrary() { return lzh_; }
    ArchiverLibrary& ZipLibrary() { return zip_; }

  private:
    ArchiverLibrary& LibraryForKind(std::uint8_t kind);
    void ListArchive(ArchiverLibrary& library, std::uint8_t kind, const std::string& path,
                     TNebuList& list);
    std::string ExtractWith(ArchiverLibrary& library, bool lzh, const std::string& archivePath,
                            const std::string& entryName, int slot);
    // The directories (device, inode) one walk has entered, so that a bind
    // mount or a loop is never entered twice.
    struct WalkState;
    int ScanDirectoryGuarded(const std::string& dir, TNebuList& list, WalkState& walk,
                             const platform::DirEntry* expected);
    void CollectDirectories(const std::string& root, WalkState& walk,
                            const platform::DirEntry* expected);
    MsgAnswer Ask(const std::string& text, MsgButtons buttons);

    ArchiverLibrary lzh_;
    ArchiverLibrary zip_;
    std::unordered_map<std::string, platform::FileIdentity> compared_;
    FolderHandles folders_;
    ContentClasses classes_;
    std::set<std::pair<dev_t, ino_t>> keptDirs_;

    // The work folders this object made and still holds the locks of.
    struct HeldWorkFolder {
        std::string path;
        int lockFd;
    };
    std::vector<HeldWorkFolder> heldWorkFolders_;
    void ReleaseWorkFolders();

    // While a group is under way, each entry is extracted once, from a pass
    // over its archive that serves the coming groups as well; the files stay
    // until the group that needs them is done.
    const ListedArchive* FetchListedEntry(const std::string& archivePath,
                                          const std::string& entryName, std::uint8_t kind,
                                          std::int32_t position);
    std::string ExtractListedEntry(const std::string& archivePath, const std::string& entryName,
                                   int slot, std::uint8_t kind, std::int32_t position);
    void ExtractInOnePass(const std::string& archivePath, const ListedArchive& listed,
                          std::int32_t requested);
    void AskAfterFailedExtraction(const std::string& archivePath);
    bool groupActive_ = false;
    ListedArchives listings_;
    EntryCache cache_;
    std::int64_t groupKey_ = 0;
    bool groupKeySet_ = false;
};

}  // namespace nebu
