// Archive entries taken out for a size group: from one pass over each
// archive, held in the entry cache until the groups that need them are done.

#include "engine/EntryExtractor.h"

#include <algorithm>
#include <utility>

#include "engine/NebuRecords.h"
#include "platform/EntryExtraction.h"
#include "platform/PathOpen.h"
#include "platform/WorkFiles.h"

namespace nebu {

namespace {

std::string JoinFolder(const std::string& folder, const char* name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

EntryExtractor::EntryExtractor(ArchiveCatalogue& catalogue, WorkFolders& work,
                               ComparedIdentities& identities, ContentComparer& comparer,
                               RunFailures& failures, std::atomic<bool>& stop,
                               const bool& wholeArchives, Asker ask)
    : catalogue_(catalogue),
      listings_(catalogue.Listings()),
      work_(work),
      identities_(identities),
      comparer_(comparer),
      failures_(failures),
      stop_(stop),
      wholeArchives_(wholeArchives),
      ask_(std::move(ask)) {}

std::string EntryExtractor::ExtractEntry(const std::string& archivePath,
                                         const std::string& entryName, int slot, std::uint8_t kind,
                                         std::int32_t position) {
    if (comparer_.GroupActive() && position >= 0) {
        std::string path = ExtractListedEntry(archivePath, entryName, slot, kind, position);
        if (!path.empty()) comparer_.Classes().Add(path);
        return path;
    }
    // By name the library always takes the first entry of that name: where
    // another file entry shares it, this one cannot be told apart.
    if (const ListedArchive* listed = listings_.Find(archivePath)) {
        int named = 0;
        for (const ListedEntry& entry : listed->entries) named += entry.name == entryName ? 1 : 0;
        if (named > 1) return "";
    }
    return ExtractWith(kind, archivePath, entryName, slot);
}

const ListedArchive* EntryExtractor::FetchListedEntry(const std::string& archivePath,
                                                      const std::string& entryName,
                                                      std::uint8_t kind, std::int32_t position) {
    if (!catalogue_.Usable(kind)) return nullptr;
    const ListedArchive* listed = listings_.Find(archivePath);
    const auto at = static_cast<std::size_t>(position);
    if (listed == nullptr || position < 0 || at >= listed->entries.size() ||
        !listed->entries[at].IsFile() || listed->entries[at].name != entryName) {
        return nullptr;
    }
    const std::int64_t tag = wholeArchives_ ? listed->total : listed->entries[at].size;
    if (!groupKeySet_ || tag > groupKey_) groupKey_ = tag;
    groupKeySet_ = true;
    if (cache_.Find(archivePath, position) == nullptr) {
        ExtractInOnePass(archivePath, *listed, position);
    }
    return listed;
}

const std::string* EntryExtractor::EntryBytes(const std::string& archivePath,
                                              const std::string& entryName, std::uint8_t kind,
                                              std::int32_t position) {
    const ListedArchive* listed = FetchListedEntry(archivePath, entryName, kind, position);
    if (listed == nullptr) return nullptr;
    const EntryCache::Item* item = cache_.Find(archivePath, position);
    if (item == nullptr || !item->InMemory()) {
        AskAfterFailedExtraction(archivePath);
        return nullptr;
    }
    identities_.Remember(archivePath, *listed->identity);
    return &item->data;
}

std::string EntryExtractor::ExtractListedEntry(const std::string& archivePath,
                                               const std::string& entryName, int slot,
                                               std::uint8_t kind, std::int32_t position) {
    const ListedArchive* listed = FetchListedEntry(archivePath, entryName, kind, position);
    if (listed == nullptr) return "";
    const std::string path = slot >= 0 && slot < kSlotCount
                                 ? cache_.Hand(archivePath, position, slot, work_.Paths[slot])
                                 : std::string();
    if (path.empty()) {
        AskAfterFailedExtraction(archivePath);
        return "";
    }
    // The archive is the kept copy when a duplicate of one of its entries is
    // deleted: as it was listed, which the pass has just checked.
    identities_.Remember(archivePath, *listed->identity);
    return path;
}

void EntryExtractor::ExtractInOnePass(const std::string& archivePath, const ListedArchive& listed,
                                      std::int32_t requested) {
    if (!listed.identity || !cache_.EnsureFolder(work_.Paths[0])) return;
    const bool whole = wholeArchives_;
    const auto tagOf = [&](std::size_t i) { return whole ? listed.total : listed.entries[i].size; };
    const auto at = static_cast<std::size_t>(requested);
    const std::int64_t now = tagOf(at);

    // Whole archives are compared within one group; entries in the groups of
    // their sizes, taken here soonest first, as far as the room goes.
    std::vector<std::size_t> ahead;
    for (std::size_t i = 0; i < listed.entries.size(); ++i) {
        const ListedEntry& entry = listed.entries[i];
        if (i == at || !entry.IsFile() || cache_.Find(archivePath, static_cast<std::int32_t>(i))) {
            continue;
        }
        if (whole || (entry.size >= now && cache_.Needed(entry.size))) ahead.push_back(i);
    }
    if (!whole) {
        std::stable_sort(ahead.begin(), ahead.end(), [&](std::size_t a, std::size_t b) {
            return listed.entries[a].size < listed.entries[b].size;
        });
    }
    std::vector<platform::EntryToWrite> wanted;
    std::uint64_t memory = 0;
    std::uint64_t disk = 0;
    std::size_t files = 0;
    // Takes entry i when it fits into the room left, or when it must.
    auto take = [&](std::size_t i, bool must) {
        platform::EntryToWrite want;
        want.position = i;
        want.name = listed.entries[i].name;
        want.size = static_cast<std::uint64_t>(listed.entries[i].size);
        want.toMemory = want.size <= EntryCache::kSmall;
        const std::uint64_t m = memory + (want.toMemory ? want.size : 0);
        const std::uint64_t d = disk + (want.toMemory ? 0 : want.size);
        const std::size_t f = files + (want.toMemory ? 0 : 1);
        const bool fits = cache_.Fits(m, d, f);
        if (!fits && !must) return false;
        if (fits) {
            memory = m;
            disk = d;
            files = f;
        }
        if (!want.toMemory) want.fileName = cache_.NextFileName();
        wanted.push_back(std::move(want));
        return fits;
    };
    const bool overflow = !take(at, true);
    for (std::size_t i : ahead) {
        if (overflow || !take(i, false)) break;
    }
    std::sort(wanted.begin(), wanted.end(),
              [](const auto& a, const auto& b) { return a.position < b.position; });

    platform::WriteEntries(archivePath, FormatOfKind(listed.kind), *listed.identity,
                           cache_.Folder(), wanted);
    for (platform::EntryToWrite& want : wanted) {
        if (!want.written) continue;
        EntryCache::Item item;
        if (!want.toMemory) item.path = JoinFolder(cache_.Folder(), want.fileName.c_str());
        item.data = std::move(want.data);
        item.bytes = want.size;
        item.tag = tagOf(want.position);
        item.overflow = want.position == at && overflow;
        cache_.Add(archivePath, static_cast<std::int32_t>(want.position), std::move(item));
    }
}

void EntryExtractor::AskAfterFailedExtraction(const std::string& archivePath) {
    const std::string question = "圧縮ファイル｢" + archivePath + "｣の解凍にしっぱいしちゃった。" +
                                 "\n" + "作業を続けますか?";
    // Going on leaves the entries out of the comparison: not a clean run.
    failures_.Note(FailureKind::ExtractionFailed, archivePath);
    if (ask_(question, MsgButtons::YesNo) == MsgAnswer::No) stop_ = true;
}

void EntryExtractor::EndGroup() {
    // What the group asked for is done with; what was fetched for later
    // groups stays.
    if (groupKeySet_) cache_.DropUpTo(groupKey_);
    groupKeySet_ = false;
}

void EntryExtractor::RemoveExtractionCacheFolder() {
    comparer_.EndGroup();
    cache_.RemoveFolder();
    listings_.Clear();
}

void EntryExtractor::DeleteExtracted(const std::string& path) {
    if (path.empty()) return;
    if (cache_.IsOverflow(path)) {
        comparer_.Classes().Forget(path);
        cache_.RemoveFile(path);
        return;
    }
    // Kept until the group that needs it is done; a slot's file is written
    // again for the next entry.
    if (cache_.Holds(path)) return;
    if (cache_.IsSlotFile(path)) {
        comparer_.Classes().Forget(path);
        return;
    }
    // The next entry extracted may take the same name.
    comparer_.Classes().Forget(path);
    platform::UnlinkFile(path);
}

}  // namespace nebu