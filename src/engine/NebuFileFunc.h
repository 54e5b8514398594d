#pragma once
// The file functions of a job, on the worker thread: the owner of its pieces
// (the archive catalogue, the scanner, the work folders, the remover, the
// content comparer and the entry extractor), forwarding to them.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/ArchiveCatalogue.h"
#include "engine/ComparedIdentities.h"
#include "engine/ContentClasses.h"
#include "engine/ContentComparer.h"
#include "engine/DirList.h"
#include "engine/EntryCache.h"
#include "engine/EntryExtractor.h"
#include "engine/ListedArchives.h"
#include "engine/NebuHost.h"
#include "engine/NebuList.h"
#include "engine/Remover.h"
#include "engine/RunFailures.h"
#include "engine/Scanner.h"
#include "engine/WorkFolders.h"
#include "platform/FileIdentity.h"
#include "platform/FolderHandles.h"
#include "platform/LibraryLoader.h"

namespace nebu {

class TNebuFileFunc {
    // The pieces come first: the fields below lead into them.
    RunFailures failures_;
    std::atomic<bool> stop_{false};
    std::function<void(const std::string&)> logLine_;
    ArchiveCatalogue catalogue_;
    ComparedIdentities identities_;
    Scanner scanner_;
    WorkFolders work_;
    Remover remover_;

  public:
    // Loads both archiver libraries through `loader`.
    explicit TNebuFileFunc(
        const platform::LibraryLoader& loader = platform::LibraryLoader::Builtin());
    ~TNebuFileFunc();
    TNebuFileFunc(const TNebuFileFunc&) = delete;
    TNebuFileFunc& operator=(const TNebuFileFunc&) = delete;

    // ---- fields ----
    // Work folder slots: 0 and 1 are made by CreateWorkFolder, each path ending
    // in "/"; slot 2 is never made and stays empty, so an extraction into it
    // yields nothing.
    std::string (&TempDir)[3] = work_.Paths;
    bool& LzhReady = catalogue_.LzhReady;
    bool& ZipReady = catalogue_.ZipReady;
    bool& ArcReady = catalogue_.ArcReady;  // 7z, tar and RAR
    std::string Caption = "NEBU for Win32";
    std::atomic<bool>& Stop = stop_;
    bool& ToRecycleBin = remover_.ToRecycleBin;
    // Both sides hold archives that are compared whole.
    bool ArcAsUnit = false;
    // The conditions of ScanDirectory and DispatchArchive called on their
    // own; each side's scan is given its own.
    ScanOptions Scan;

    // Questions and messages go through the host; the job sets it.
    NebuHost* Host = nullptr;
    // The log of the run under way; the job sets it for the run.
    std::function<void(const std::string&)>& LogLine = logLine_;
    // Deletions, folders and work folders that failed; the job clears it
    // when a run starts.
    RunFailures& Failures = failures_;

    // ---- scanning (directory paths end in "/") ----
    int ScanSide(TDirList& dirs, TNebuList& list, const ScanOptions& options) {
        return scanner_.ScanSide(dirs, list, options);
    }
    int ScanSide(TDirList& dirs, TNebuList& list) { return ScanSide(dirs, list, CurrentScan()); }
    int ScanDirectory(const std::string& dir, TNebuList& list) {
        return scanner_.ScanDirectory(dir, list, CurrentScan());
    }
    void RemoveEmptyDirectories(TDirList& roots) {
        remover_.RemoveEmptyDirectories(roots, CurrentScan());
    }
    void RemoveEmptyTargetDirectories(TDirList& targets, TDirList& sources,
                                      const ScanOptions& options) {
        remover_.RemoveEmptyTargetDirectories(targets, sources, options);
    }
    void RemoveEmptyTargetDirectories(TDirList& targets, TDirList& sources) {
        RemoveEmptyTargetDirectories(targets, sources, CurrentScan());
    }
    bool RemoveEmptyDirectory(const std::string& dir) { return remover_.RemoveEmptyDirectory(dir); }

    // ---- archive listing ----
    void DispatchArchive(const std::string& path, TNebuList& list) {
        catalogue_.Dispatch(path, list, ArchiveChoice{Scan.Lzh, Scan.Zip, Scan.Arc}, ArcAsUnit);
    }
    void ListLzhArchive(const std::string& path, TNebuList& list) {
        catalogue_.ListLzh(path, list, ArcAsUnit);
    }
    void ListZipArchive(const std::string& path, TNebuList& list) {
        catalogue_.ListZip(path, list, ArcAsUnit);
    }
    void ListArcArchive(const std::string& path, TNebuList& list) {
        catalogue_.ListArc(path, list, ArcAsUnit);
    }

    // ---- work folders ----
    bool CreateWorkFolders();
    bool CreateWorkFolder(int slot);
    // Removes the folders this object made, with whatever they still hold,
    // and the leftovers of runs that died.
    void RemoveWorkFolders() { work_.RemoveAll(); }

    // ---- content comparison and extraction ----
    bool CompareContents(const std::string& path1, const std::string& path2) {
        return comparer_.CompareContents(path1, path2);
    }
    bool SameContents(const std::string& path1, const std::string& path2) {
        return comparer_.SameContents(path1, path2);
    }
    // `position` is the entry's place in its archive's listing; with it,
    // while a group is under way, the entry is taken from one pass over the
    // archive that also fetches what the coming groups need.
    std::string ExtractEntry(const std::string& archivePath, const std::string& entryName, int slot,
                             std::uint8_t kind, std::int32_t position = -1) {
        return extractor_.ExtractEntry(archivePath, entryName, slot, kind, position);
    }
    std::string ExtractLzhEntry(const std::string& archivePath, const std::string& entryName,
                                int slot) {
        return extractor_.ExtractLzhEntry(archivePath, entryName, slot);
    }
    std::string ExtractZipEntry(const std::string& archivePath, const std::string& entryName,
                                int slot) {
        return extractor_.ExtractZipEntry(archivePath, entryName, slot);
    }
    std::string TakeExtractedFile(int slot) { return extractor_.TakeExtractedFile(slot); }
    // The files of the size group about to be compared: read once, side by
    // side, so that SameContents on any two of them is a lookup. Files not
    // given here are compared byte by byte as before.
    void PrepareGroup(std::vector<std::string> paths,
                      const ContentClasses::Heads* heads = nullptr) {
        comparer_.PrepareGroup(std::move(paths), heads);
    }
    // The same for texts that stay in place until EndGroup.
    void PrepareGroup(const std::vector<const std::string*>& paths,
                      const ContentClasses::Heads* heads = nullptr) {
        comparer_.PrepareGroup(paths, heads);
    }
    void AddToGroup(const std::string& path) { comparer_.AddToGroup(path); }
    void EndGroup() { comparer_.EndGroup(); }
    // Ends the last group and removes the folder that held its extractions.
    void RemoveExtractionCacheFolder() { extractor_.RemoveExtractionCacheFolder(); }
    const ContentClasses& GroupClasses() const { return comparer_.Classes(); }
    // Deletes an extracted file for good (no trash, no question).
    void DeleteExtracted(const std::string& path) { extractor_.DeleteExtracted(path); }
    // The size keys the coming walk compares, so that entries of other sizes
    // are never extracted ahead.
    void SetNeededSizes(std::vector<std::int64_t> sizes) {
        extractor_.SetNeededSizes(std::move(sizes));
    }
    // An archive may be deleted whole only while this holds: it is the file
    // that was listed, and it holds exactly the listed entries, all of them
    // taken in by the listing.
    // With `readAgain` (right before a deletion) it is read through again
    // even when a pass of this run already read it as listed.
    bool ArchiveAsListed(const std::string& path, bool readAgain = false) const {
        return catalogue_.Listings().StillAsListed(path, readAgain);
    }
    // A pass over the archive read every entry as listed.
    void NoteReadAsListed(const std::string& path) { catalogue_.Listings().MarkPassed(path); }
    const ListedArchives& Listings() const { return catalogue_.Listings(); }
    // Folders of the files read whole, held open for the run.
    platform::FolderHandles& Folders() { return comparer_.Folders(); }
    // The bytes of a listed entry of at most EntryCache::kSmall bytes, held in
    // memory until its group is done; nullptr when it cannot be extracted
    // (asked about as any failed extraction).
    const std::string* EntryBytes(const std::string& archivePath, const std::string& entryName,
                                  std::uint8_t kind, std::int32_t position) {
        return extractor_.EntryBytes(archivePath, entryName, kind, position);
    }

    // The question after an entry could not be taken out; No sets Stop.
    void AskAfterFailedExtraction(const std::string& archivePath) {
        extractor_.AskAfterFailedExtraction(archivePath);
    }
    // Size groups whose files take more than this together are compared
    // from classes found before the walk (RecordClasses), and entries kept
    // for later comparisons spill into a work file beyond it.
    std::uint64_t GroupMemoryBudget = 32ull << 20;

    // ---- deletion ----
    bool RemoveFile(const std::string& path, const KeptCopy& kept = {}) {
        return remover_.RemoveFile(path, kept);
    }
    // The deletion journal: a run begins with a new id, under which the
    // results window's deletions are recorded too.
    journal::DeletionJournal& Journal() { return remover_.Journal(); }
    // The identities remembered at comparison time, and the check made just
    // before a duplicate is deleted: the kept file must still be there and
    // neither may have changed since it was compared.
    void ForgetIdentities() {
        identities_.Clear();
        remover_.ForgetDeleted();
    }
    void RememberIdentity(const std::string& path, const platform::FileIdentity& identity) {
        identities_.Remember(path, identity);
    }
    bool UnchangedSinceCompared(const std::string& path) const {
        return identities_.Unchanged(path);
    }
    std::optional<platform::FileIdentity> ComparedIdentity(const std::string& path) const {
        return identities_.Of(path);
    }
    bool RemoveDuplicate(const std::string& doomed, const std::string& kept,
                         const std::string& keptEntry = "") {
        return RemoveDuplicateOf(doomed, kept, keptEntry) == Removal::Deleted;
    }
    using Removal = Remover::Removal;
    Removal RemoveDuplicateOf(const std::string& doomed, const std::string& kept,
                              const std::string& keptEntry = "") {
        return remover_.RemoveDuplicateOf(doomed, kept, keptEntry);
    }

    ArchiverLibrary& LzhLibrary() { return catalogue_.Lzh(); }
    ArchiverLibrary& ZipLibrary() { return catalogue_.Zip(); }
    ArchiverLibrary& ArcLibrary() { return catalogue_.Arc(); }
    ArchiverLibrary& Library(std::uint8_t kind) { return catalogue_.Library(kind); }
    bool LibraryUsable(std::uint8_t kind) { return catalogue_.Usable(kind); }

  private:
    ScanOptions CurrentScan() const {
        ScanOptions options = Scan;
        options.WholeArchives = ArcAsUnit;
        return options;
    }
    MsgAnswer Ask(const std::string& text, MsgButtons buttons);

    // Declared last: they lead into the fields above. The extractor goes
    // first on teardown, the entries it holds before the classes.
    ContentComparer comparer_;
    EntryExtractor extractor_;
};

}  // namespace nebu
