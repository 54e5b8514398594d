// One archive entry at a time is extracted into a private work folder, so
// that it can be compared like a plain file and deleted right after.

#include <algorithm>
#include <optional>
#include <string_view>

#include "engine/NebuFileFunc.h"
#include "engine/NebuRecords.h"
#include "platform/ArchiverCommand.h"
#include "platform/EntryExtraction.h"
#include "platform/PathOpen.h"
#include "platform/WorkFiles.h"

namespace nebu {

namespace {

constexpr std::size_t kOutputSize = 65536;
// The libraries' report of each command; nobody reads it, but every command
// gets one, and one process-wide buffer serves them all.
char g_output[kOutputSize];

constexpr int kSlotCount = 3;

std::string JoinFolder(const std::string& folder, const char* name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// Only a folder named like the ones this program makes ("nb0XXXX.tmp") is
// ever emptied: a slot that pointed anywhere else by mistake must not cost
// the user a file.
bool LooksLikeWorkFolder(const std::string& folder) {
    std::string_view path = folder;
    while (!path.empty() && path.back() == '/') path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return name.size() > 6 && name.substr(0, 2) == "nb" && name.substr(name.size() - 4) == ".tmp";
}

// Whatever an earlier extraction left in the folder (a file its caller could
// not delete, the partial output of a failed command) must never be taken
// for the entry extracted now.
void EmptyWorkFolder(const std::string& folder) {
    if (!LooksLikeWorkFolder(folder)) return;
    platform::RemoveFilesIn(folder);
}

}  // namespace

std::string TNebuFileFunc::ExtractEntry(const std::string& archivePath,
                                        const std::string& entryName, int slot, std::uint8_t kind,
                                        std::int32_t position) {
    if (groupActive_ && position >= 0) {
        std::string path = ExtractListedEntry(archivePath, entryName, slot, kind, position);
        if (!path.empty()) classes_.Add(path);
        return path;
    }
    // By name the library always takes the first entry of that name: where
    // another file entry shares it, this one cannot be told apart.
    if (const ListedArchive* listed = listings_.Find(archivePath)) {
        int named = 0;
        for (const ListedEntry& entry : listed->entries) named += entry.name == entryName ? 1 : 0;
        if (named > 1) return "";
    }
    return kind == kKindLzh ? ExtractLzhEntry(archivePath, entryName, slot)
                            : ExtractZipEntry(archivePath, entryName, slot);
}

const ListedArchive* TNebuFileFunc::FetchListedEntry(const std::string& archivePath,
                                                     const std::string& entryName,
                                                     std::uint8_t kind, std::int32_t position) {
    const bool lzh = kind == kKindLzh;
    const ArchiverLibrary& library = lzh ? catalogue_.Lzh() : catalogue_.Zip();
    if (!(lzh ? LzhReady : ZipReady) || !library.Ready()) return nullptr;
    const ListedArchive* listed = listings_.Find(archivePath);
    const auto at = static_cast<std::size_t>(position);
    if (listed == nullptr || position < 0 || at >= listed->entries.size() ||
        !listed->entries[at].IsFile() || listed->entries[at].name != entryName) {
        return nullptr;
    }
    const std::int64_t tag = ArcAsUnit ? listed->total : listed->entries[at].size;
    if (!groupKeySet_ || tag > groupKey_) groupKey_ = tag;
    groupKeySet_ = true;
    if (cache_.Find(archivePath, position) == nullptr) {
        ExtractInOnePass(archivePath, *listed, position);
    }
    return listed;
}

const std::string* TNebuFileFunc::EntryBytes(const std::string& archivePath,
                                             const std::string& entryName, std::uint8_t kind,
                                             std::int32_t position) {
    const ListedArchive* listed = FetchListedEntry(archivePath, entryName, kind, position);
    if (listed == nullptr) return nullptr;
    const EntryCache::Item* item = cache_.Find(archivePath, position);
    if (item == nullptr || !item->InMemory()) {
        AskAfterFailedExtraction(archivePath);
        return nullptr;
    }
    RememberIdentity(archivePath, *listed->identity);
    return &item->data;
}

std::string TNebuFileFunc::ExtractListedEntry(const std::string& archivePath,
                                              const std::string& entryName, int slot,
                                              std::uint8_t kind, std::int32_t position) {
    const ListedArchive* listed = FetchListedEntry(archivePath, entryName, kind, position);
    if (listed == nullptr) return "";
    const std::string path = slot >= 0 && slot < kSlotCount
                                 ? cache_.Hand(archivePath, position, slot, TempDir[slot])
                                 : std::string();
    if (path.empty()) {
        AskAfterFailedExtraction(archivePath);
        return "";
    }
    // The archive is the kept copy when a duplicate of one of its entries is
    // deleted: as it was listed, which the pass has just checked.
    RememberIdentity(archivePath, *listed->identity);
    return path;
}

void TNebuFileFunc::ExtractInOnePass(const std::string& archivePath, const ListedArchive& listed,
                                     std::int32_t requested) {
    if (!listed.identity || !cache_.EnsureFolder(TempDir[0])) return;
    const bool whole = ArcAsUnit;
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

    const platform::ArchiveFormat format =
        listed.kind == kKindLzh ? platform::ArchiveFormat::Lzh : platform::ArchiveFormat::Zip;
    platform::WriteEntries(archivePath, format, *listed.identity, cache_.Folder(), wanted);
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

void TNebuFileFunc::AskAfterFailedExtraction(const std::string& archivePath) {
    const std::string question = "圧縮ファイル｢" + archivePath + "｣の解凍にしっぱいしちゃった。" +
                                 "\n" + "作業を続けますか?";
    // Going on leaves the entries out of the comparison: not a clean run.
    Failures.Note(FailureKind::ExtractionFailed, archivePath);
    if (Ask(question, MsgButtons::YesNo) == MsgAnswer::No) Stop = true;
}

void TNebuFileFunc::RemoveExtractionCacheFolder() {
    EndGroup();
    cache_.RemoveFolder();
    listings_.Clear();
}

std::string TNebuFileFunc::ExtractLzhEntry(const std::string& archivePath,
                                           const std::string& entryName, int slot) {
    return ExtractWith(catalogue_.Lzh(), true, archivePath, entryName, slot);
}

std::string TNebuFileFunc::ExtractZipEntry(const std::string& archivePath,
                                           const std::string& entryName, int slot) {
    return ExtractWith(catalogue_.Zip(), false, archivePath, entryName, slot);
}

std::string TNebuFileFunc::ExtractWith(ArchiverLibrary& library, bool lzh,
                                       const std::string& archivePath, const std::string& entryName,
                                       int slot) {
    if (entryName.empty()) return "";
    if (slot < 0 || slot >= kSlotCount || TempDir[slot].empty()) return "";
    if (!library.Ready() || library.Command == nullptr) return "";
    const std::string& folder = TempDir[slot];

    EmptyWorkFolder(folder);

    // The archive is the copy that is kept when a duplicate of one of its
    // entries is deleted; remember it as it was before it was read, so that a
    // change made from now on stops that deletion.
    if (const std::optional<platform::FileIdentity> archive =
            platform::IdentityOfPath(archivePath)) {
        RememberIdentity(archivePath, *archive);
    } else {
        identities_.Forget(archivePath);
    }

    std::string command = lzh ? "e -m -n -gm -p " : "-x -j --i ";
    command += platform::QuoteCommandPath(archivePath);
    command += ' ';
    command += platform::QuoteCommandPath(folder);
    command += " \"";
    command += entryName;
    command += '"';

    const int result = library.Command(nullptr, command.c_str(), g_output,
                                       static_cast<std::uint32_t>(kOutputSize));
    if (result != 0) {
        AskAfterFailedExtraction(archivePath);
        // What a failed command left behind (a truncated or corrupt file)
        // says nothing about the archive; comparing it could "find" a
        // duplicate that does not exist and delete it.
        EmptyWorkFolder(folder);
        return "";
    }
    return TakeExtractedFile(slot);
}

std::string TNebuFileFunc::TakeExtractedFile(int slot) {
    if (slot < 0 || slot >= kSlotCount || TempDir[slot].empty()) return "";
    return platform::FirstRegularFileIn(TempDir[slot]);
}

void TNebuFileFunc::DeleteExtracted(const std::string& path) {
    if (path.empty()) return;
    if (cache_.IsOverflow(path)) {
        classes_.Forget(path);
        cache_.RemoveFile(path);
        return;
    }
    // Kept until the group that needs it is done; a slot's file is written
    // again for the next entry.
    if (cache_.Holds(path)) return;
    if (cache_.IsSlotFile(path)) {
        classes_.Forget(path);
        return;
    }
    // The next entry extracted may take the same name.
    classes_.Forget(path);
    platform::UnlinkFile(path);
}

}  // namespace nebu
