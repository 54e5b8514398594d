#pragma once
// Archive entries taken out through the catalogue's libraries: one at a time
// into a work folder, or, while a size group is under way, from one pass over
// the archive that also fetches what the coming groups need, held in the
// entry cache until the group that needs them is done.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/ArchiveCatalogue.h"
#include "engine/ComparedIdentities.h"
#include "engine/ContentComparer.h"
#include "engine/EntryCache.h"
#include "engine/ListedArchives.h"
#include "engine/NebuHost.h"
#include "engine/RunFailures.h"
#include "engine/WorkFolders.h"

namespace nebu {

class EntryExtractor {
  public:
    using Asker = std::function<MsgAnswer(const std::string&, MsgButtons)>;
    // `wholeArchives`: both sides hold archives that are compared whole.
    EntryExtractor(ArchiveCatalogue& catalogue, WorkFolders& work, ComparedIdentities& identities,
                   ContentComparer& comparer, RunFailures& failures, std::atomic<bool>& stop,
                   const bool& wholeArchives, Asker ask);
    EntryExtractor(const EntryExtractor&) = delete;
    EntryExtractor& operator=(const EntryExtractor&) = delete;

    std::string ExtractEntry(const std::string& archivePath, const std::string& entryName, int slot,
                             std::uint8_t kind, std::int32_t position);
    std::string ExtractLzhEntry(const std::string& archivePath, const std::string& entryName,
                                int slot);
    std::string ExtractZipEntry(const std::string& archivePath, const std::string& entryName,
                                int slot);
    std::string TakeExtractedFile(int slot);
    const std::string* EntryBytes(const std::string& archivePath, const std::string& entryName,
                                  std::uint8_t kind, std::int32_t position);
    void DeleteExtracted(const std::string& path);
    void SetNeededSizes(std::vector<std::int64_t> sizes) {
        cache_.SetNeededSizes(std::move(sizes));
    }
    // Drops what the group that ends asked for.
    void EndGroup();
    void RemoveExtractionCacheFolder();
    void AskAfterFailedExtraction(const std::string& archivePath);

  private:
    static constexpr int kSlotCount = 3;

    std::string ExtractWith(std::uint8_t kind, const std::string& archivePath,
                            const std::string& entryName, int slot);
    const ListedArchive* FetchListedEntry(const std::string& archivePath,
                                          const std::string& entryName, std::uint8_t kind,
                                          std::int32_t position);
    std::string ExtractListedEntry(const std::string& archivePath, const std::string& entryName,
                                   int slot, std::uint8_t kind, std::int32_t position);
    void ExtractInOnePass(const std::string& archivePath, const ListedArchive& listed,
                          std::int32_t requested);

    ArchiveCatalogue& catalogue_;
    ListedArchives& listings_;
    WorkFolders& work_;
    ComparedIdentities& identities_;
    ContentComparer& comparer_;
    RunFailures& failures_;
    std::atomic<bool>& stop_;
    const bool& wholeArchives_;
    Asker ask_;
    EntryCache cache_;
    std::int64_t groupKey_ = 0;
    bool groupKeySet_ = false;
};

}  // namespace nebu
