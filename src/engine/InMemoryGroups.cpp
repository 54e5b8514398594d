#include "engine/InMemoryGroups.h"

#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/FileReading.h"
#include "engine/Nebu.h"
#include "platform/FileIdentity.h"

namespace nebu {

namespace {

constexpr std::uint64_t kMaxGroupBytes = 32ull << 20;

struct PlainBytes {
    long position = -1;
    std::string_view bytes;
    platform::FileIdentity identity;
};

// The plain files of a group, all held in one block: a group may hold
// thousands of small files, and a block each would cost more than reading.
struct GroupFiles {
    std::unique_ptr<char[]> block;
    std::vector<PlainBytes> files;
};

std::size_t HashOf(std::string_view bytes) {
    return std::hash<std::string_view>()(bytes);
}

std::size_t FilesInCurrentGroup(const TNebuList& list) {
    const int g = list.CurrentGroupIndex();
    return g < 0 ? 0 : list.Groups()[static_cast<std::size_t>(g)].Files.size();
}

// Reads the whole of a plain file of `size` bytes into `into`, as long as it
// keeps that size and does not change while it is read.
std::optional<platform::FileIdentity> ReadWhole(FolderHandles& folders, const std::string& path,
                                                std::int64_t size, char* into) {
    const int fd = folders.OpenForReading(path);
    if (fd < 0) return std::nullopt;
    const auto before = platform::IdentityOfDescriptor(fd);
    long n = -1;
    // No read past the end to find it: a file that grew or was written
    // meanwhile has another size or change time afterwards.
    if (before && before->size == size) n = ReadFull(fd, into, static_cast<std::size_t>(size));
    const auto after = platform::IdentityOfDescriptor(fd);
    ::close(fd);
    if (n != size || !after || after != before) return std::nullopt;
    return before;
}

// The plain files of the list's current group, in walk order.
GroupFiles ReadGroupFiles(TNebuList& list, std::int64_t size, FolderHandles& folders) {
    GroupFiles group;
    const auto bytes = static_cast<std::size_t>(size);
    group.block = std::make_unique_for_overwrite<char[]>(FilesInCurrentGroup(list) * bytes + 1);
    char* next = group.block.get();
    _NebuNameRec rec;
    for (bool m = list.FirstInGroup(rec); m; m = list.NextInGroup(rec)) {
        if (rec.Kind != kKindPlain) continue;
        if (auto identity = ReadWhole(folders, rec.Path, size, next)) {
            group.files.push_back(PlainBytes{list.CurrentInGroup(), {next, bytes}, *identity});
            next += bytes;
        }
    }
    return group;
}

using HashIndex = std::unordered_map<std::size_t, std::vector<std::size_t>>;

}  // namespace

bool GroupFitsInMemory(TNebu& job, std::int64_t sizeKey) {
    if (sizeKey < 0 || static_cast<std::uint64_t>(sizeKey) > EntryCache::kSmall) return false;
    const std::uint64_t files =
        FilesInCurrentGroup(*job.SrcList) + FilesInCurrentGroup(*job.DstList);
    return files * static_cast<std::uint64_t>(sizeKey + 1) <= kMaxGroupBytes;
}

void CompareSourceEntriesInMemory(TNebu& job, std::int64_t sizeKey, const EqualPairFn& equal) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    TNebuFileFunc& ff = *job.FileFunc;
    ff.PrepareGroup(std::vector<std::string>{});
    const GroupFiles group = ReadGroupFiles(dst, sizeKey, ff.Folders());
    const std::vector<PlainBytes>& targets = group.files;
    HashIndex byHash;
    for (std::size_t i = 0; i < targets.size(); ++i) byHash[HashOf(targets[i].bytes)].push_back(i);
    _NebuNameRec s;
    _NebuNameRec t;
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        const std::string* bytes = ff.EntryBytes(s.Path, s.Entry, s.Kind, s.EntryIndex);
        const auto found = bytes ? byHash.find(HashOf(*bytes)) : byHash.end();
        if (found != byHash.end()) {
            for (std::size_t i : found->second) {
                if (job.Stop != 0) break;
                const PlainBytes& target = targets[i];
                if (target.bytes != *bytes) continue;
                if (!dst.GoToInGroup(target.position, t)) continue;  // deleted meanwhile
                ff.RememberIdentity(t.Path, target.identity);
                equal(s, t);
            }
        }
        job.TakeFileFuncStop();
    }
    ff.EndGroup();
}

void CompareTargetEntriesInMemory(TNebu& job, std::int64_t sizeKey, const EqualPairFn& equal) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    TNebuFileFunc& ff = *job.FileFunc;
    ff.PrepareGroup(std::vector<std::string>{});
    struct Entry {
        long position;
        std::string archive;
        const std::string* bytes;
    };
    // Each entry is taken out once for the group, in walk order.
    std::vector<Entry> entries;
    _NebuNameRec s;
    _NebuNameRec t;
    for (bool mt = dst.FirstInGroup(t); mt && job.Stop == 0; mt = dst.NextInGroup(t)) {
        const std::string* bytes = ff.EntryBytes(t.Path, t.Entry, t.Kind, t.EntryIndex);
        if (bytes) entries.push_back(Entry{dst.CurrentInGroup(), t.Path, bytes});
        job.TakeFileFuncStop();
    }
    HashIndex byHash;
    for (std::size_t i = 0; i < entries.size(); ++i) byHash[HashOf(*entries[i].bytes)].push_back(i);
    const GroupFiles group =
        job.Stop == 0 ? ReadGroupFiles(src, sizeKey, ff.Folders()) : GroupFiles{};
    for (const PlainBytes& source : group.files) {
        if (job.Stop != 0) break;
        const auto found = byHash.find(HashOf(source.bytes));
        if (found == byHash.end() || !src.GoToInGroup(source.position, s)) continue;
        for (std::size_t i : found->second) {
            if (job.Stop != 0) break;
            const Entry& entry = entries[i];
            // An archive is never compared with its own entries.
            if (entry.archive == s.Path || *entry.bytes != source.bytes) continue;
            if (!dst.GoToInGroup(entry.position, t)) continue;
            ff.RememberIdentity(s.Path, source.identity);
            equal(s, t);
        }
    }
    ff.EndGroup();
}

}  // namespace nebu
