#include "engine/InMemoryGroups.h"

#include <xxhash.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/Nebu.h"
#include "platform/FileIdentity.h"
#include "platform/FileReading.h"
#include "platform/WorkFiles.h"

namespace nebu {

namespace {

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

// XXH3 rather than std::hash: every byte of every file of the group goes
// through it, and it is several times faster on longer texts.
std::size_t HashOf(std::string_view bytes) {
    return static_cast<std::size_t>(XXH3_64bits(bytes.data(), bytes.size()));
}

std::size_t FilesInCurrentGroup(const TNebuList& list) {
    const int g = list.CurrentGroupIndex();
    return g < 0 ? 0 : list.Groups()[static_cast<std::size_t>(g)].Files.size();
}

// Reads the whole of a plain file of `size` bytes into `into`, as long as it
// keeps that size and does not change while it is read.
std::optional<platform::FileIdentity> ReadWhole(platform::FolderHandles& folders,
                                                const std::string& path, std::int64_t size,
                                                char* into) {
    const int fd = folders.OpenForReading(path);
    if (fd < 0) return std::nullopt;
    const auto before = platform::IdentityOfDescriptor(fd);
    long n = -1;
    // No read past the end to find it: a file that grew or was written
    // meanwhile has another size or change time afterwards.
    if (before && before->size == size)
        n = platform::ReadFull(fd, into, static_cast<std::size_t>(size));
    const auto after = platform::IdentityOfDescriptor(fd);
    platform::CloseFile(fd);
    if (n != size || !after || after != before) return std::nullopt;
    return before;
}

// The plain files of the list's current group, in walk order.
GroupFiles ReadGroupFiles(TNebuList& list, std::int64_t size, platform::FolderHandles& folders) {
    GroupFiles group;
    const auto bytes = static_cast<std::size_t>(size);
    group.block = std::make_unique_for_overwrite<char[]>(FilesInCurrentGroup(list) * bytes + 1);
    char* next = group.block.get();
    NebuNameRec rec;
    for (bool m = list.FirstInGroup(rec); m; m = list.NextInGroup(rec)) {
        if (rec.Kind != kKindPlain) continue;
        if (auto identity = ReadWhole(folders, rec.Path, size, next)) {
            group.files.push_back(PlainBytes{list.CurrentInGroup(), {next, bytes}, *identity});
            next += bytes;
        }
    }
    return group;
}

// The byte strings of a group by their hash: one sorted array rather than a
// node and a list per file.
class HashIndex {
  public:
    template <typename BytesOf>
    HashIndex(std::size_t count, BytesOf&& bytesOf) {
        slots_.reserve(count);
        for (std::size_t i = 0; i < count; ++i) slots_.emplace_back(HashOf(bytesOf(i)), i);
        std::sort(slots_.begin(), slots_.end());
    }
    // The indices whose bytes may equal `bytes`, in ascending order.
    template <typename Visit>
    void ForEachCandidate(std::string_view bytes, Visit&& visit) const {
        const std::size_t hash = HashOf(bytes);
        auto at = std::lower_bound(slots_.begin(), slots_.end(), Slot(hash, 0));
        for (; at != slots_.end() && at->first == hash; ++at) {
            if (!visit(at->second)) return;
        }
    }

  private:
    using Slot = std::pair<std::size_t, std::size_t>;
    std::vector<Slot> slots_;
};

}  // namespace

bool GroupFitsInMemory(const TNebu& job, const TNebuList::SizeNode& source,
                       const TNebuList::SizeNode& target) {
    const std::int64_t size = source.Size;
    if (size < 0 || static_cast<std::uint64_t>(size) > EntryCache::kSmall) return false;
    const std::uint64_t files = source.Files.size() + target.Files.size();
    return files * static_cast<std::uint64_t>(size + 1) <= job.FileFunc->GroupMemoryBudget;
}

void CompareSourceEntriesInMemory(TNebu& job, std::int64_t sizeKey, const EqualPairFn& equal) {
    TNebuList& src = *job.SrcList;
    TNebuList& dst = *job.DstList;
    TNebuFileFunc& ff = *job.FileFunc;
    ff.PrepareGroup(std::vector<std::string>{});
    const GroupFiles group = ReadGroupFiles(dst, sizeKey, ff.Folders());
    const std::vector<PlainBytes>& targets = group.files;
    const HashIndex byHash(targets.size(), [&](std::size_t i) { return targets[i].bytes; });
    NebuNameRec s;
    NebuNameRec t;
    for (bool ms = src.FirstInGroup(s); ms && job.Stop == 0; ms = src.NextInGroup(s)) {
        const std::string* bytes = ff.EntryBytes(s.Path, s.Entry, s.Kind, s.EntryIndex);
        if (bytes != nullptr) {
            byHash.ForEachCandidate(*bytes, [&](std::size_t i) {
                if (job.Stop != 0) return false;
                const PlainBytes& target = targets[i];
                // A target gone from the list meanwhile is passed over.
                if (target.bytes == *bytes && dst.GoToInGroup(target.position, t)) {
                    ff.RememberIdentity(t.Path, target.identity);
                    equal(s, t);
                }
                return true;
            });
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
    NebuNameRec s;
    NebuNameRec t;
    for (bool mt = dst.FirstInGroup(t); mt && job.Stop == 0; mt = dst.NextInGroup(t)) {
        const std::string* bytes = ff.EntryBytes(t.Path, t.Entry, t.Kind, t.EntryIndex);
        if (bytes) entries.push_back(Entry{dst.CurrentInGroup(), t.Path, bytes});
        job.TakeFileFuncStop();
    }
    const HashIndex byHash(entries.size(),
                           [&](std::size_t i) -> std::string_view { return *entries[i].bytes; });
    const GroupFiles group =
        job.Stop == 0 ? ReadGroupFiles(src, sizeKey, ff.Folders()) : GroupFiles{};
    for (const PlainBytes& source : group.files) {
        if (job.Stop != 0) break;
        if (!src.GoToInGroup(source.position, s)) continue;
        byHash.ForEachCandidate(source.bytes, [&](std::size_t i) {
            if (job.Stop != 0) return false;
            const Entry& entry = entries[i];
            // An archive is never compared with its own entries.
            if (entry.archive != s.Path && *entry.bytes == source.bytes &&
                dst.GoToInGroup(entry.position, t)) {
                ff.RememberIdentity(s.Path, source.identity);
                equal(s, t);
            }
            return true;
        });
    }
    ff.EndGroup();
}

}  // namespace nebu
