#include "engine/RecordClasses.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "engine/ByteHash.h"
#include "engine/EntryCache.h"
#include "engine/EntryPipe.h"
#include "engine/NebuFileFunc.h"
#include "engine/NebuRecords.h"
#include "engine/PlainFileReads.h"
#include "platform/ArchiveNames.h"
#include "platform/EntryExtraction.h"
#include "platform/FileReading.h"
#include "platform/UniqueFd.h"
#include "platform/WorkFiles.h"

namespace nebu {

namespace {

// Bytes up to this size are held in memory while they are classified;
// larger ones are compared where they lie (plain files) or from a work file.
constexpr std::uint64_t kInline = EntryCache::kSmall;
// From this many wanted entries on, an archive is decompressed on a thread
// of its own while the entries taken out are compared.
constexpr std::size_t kThreadedPass = 256;
// Plain files read at a time: small files' bytes wait in memory to be placed.
constexpr std::size_t kPlainBatch = 256;

}  // namespace

RecordClasses::RecordClasses(TNebuFileFunc& fileFunc, std::uint64_t memoryBudget)
    : ff_(fileFunc), spool_(memoryBudget, fileFunc.TempDir[0]) {}

std::uint64_t RecordClasses::Key(Side side, std::size_t group, std::size_t file) {
    return (static_cast<std::uint64_t>(side == Side::Target) << 63) |
           (static_cast<std::uint64_t>(group) << 32) | static_cast<std::uint64_t>(file);
}

void RecordClasses::Add(std::uint64_t key, Item item) {
    first_.try_emplace(key, static_cast<std::uint32_t>(items_.size()));
    if (item.entry != nullptr && item.side == Side::Target) targetEntries_ = true;
    plannedBytes_ += std::max<std::int64_t>(item.size, 0);
    items_.push_back(item);
    results_.emplace_back();
}

void RecordClasses::AddGroup(Side side, const TNebuList& list, std::size_t group) {
    const TNebuList::SizeNode& node = list.Groups()[group];
    groupsHeld_.insert(Key(side, group, 0));
    for (std::size_t i = 0; i < node.Files.size(); ++i) {
        const TNebuList::FileNode& f = node.Files[i];
        if (f.Alive == 0) continue;
        const bool plain = f.Kind == kKindPlain;
        Add(Key(side, group, i), Item{&f.Path, plain ? nullptr : &f.Entry(), node.Size,
                                      plain ? -1 : f.EntryIndex, f.Kind, side});
    }
}

void RecordClasses::AddArchiveEntries(Side side, const TNebuList& list, std::size_t group) {
    const TNebuList::SizeNode& node = list.Groups()[group];
    groupsHeld_.insert(Key(side, group, 0));
    for (std::size_t i = 0; i < node.Files.size(); ++i) {
        const TNebuList::FileNode& f = node.Files[i];
        if (f.Alive == 0 || f.Kind == kKindPlain || !f.Entries) continue;
        for (const TEntryList::Entry& e : f.Entries->Entries()) {
            Add(Key(side, group, i), Item{&f.Path, &e.name, e.size, e.position, f.Kind, side});
        }
    }
}

bool RecordClasses::Holds(Side side, std::size_t group) const {
    return groupsHeld_.count(Key(side, group, 0)) != 0;
}

RecordClasses::Result RecordClasses::Of(Side side, std::size_t group, std::size_t file) const {
    const auto it = first_.find(Key(side, group, file));
    return it == first_.end() ? Result{} : results_[it->second];
}

const RecordClasses::Result* RecordClasses::EntriesOf(Side side, std::size_t group,
                                                      std::size_t file, std::size_t& count) const {
    count = 0;
    const auto it = first_.find(Key(side, group, file));
    if (it == first_.end()) return nullptr;
    const Item& first = items_[it->second];
    std::size_t end = it->second;
    while (end < items_.size() && items_[end].path == first.path) ++end;
    count = end - it->second;
    return &results_[it->second];
}

std::optional<platform::FileIdentity> RecordClasses::IdentityOf(Side side, std::size_t group,
                                                                std::size_t file) const {
    const auto it = first_.find(Key(side, group, file));
    if (it == first_.end()) return std::nullopt;
    if (it->second >= identities_.size()) return std::nullopt;
    return identities_[it->second];
}

bool RecordClasses::PassedAsListed(const std::string& archive) const {
    const auto it = asListed_.find(archive);
    return it != asListed_.end() && it->second;
}

void RecordClasses::Run(const std::atomic<std::uint8_t>& stop) {
    buckets_.reserve(items_.size());
    members_.reserve(items_.size());
    ReadPlainFiles(stop);
    // Source archives first: their entries are kept for the target entries
    // to be compared with. An archive on both sides is read once for each.
    std::map<std::pair<Side, std::string>, std::vector<std::uint32_t>> archives;
    for (std::uint32_t i = 0; i < items_.size(); ++i) {
        if (items_[i].entry != nullptr) archives[{items_[i].side, *items_[i].path}].push_back(i);
    }
    for (auto& [key, items] : archives) {
        if (stop.load() != 0) break;
        std::stable_sort(items.begin(), items.end(), [&](std::uint32_t a, std::uint32_t b) {
            return items_[a].position < items_[b].position;
        });
        ReadArchive(items, stop);
    }
}

void RecordClasses::ReadPlainFiles(const std::atomic<std::uint8_t>& stop) {
    std::vector<std::uint32_t> plain;
    for (std::uint32_t i = 0; i < items_.size(); ++i) {
        if (items_[i].entry == nullptr) plain.push_back(i);
    }
    // Folder by folder, as they lie.
    if (!plain.empty()) identities_.resize(items_.size());
    std::sort(plain.begin(), plain.end(),
              [&](std::uint32_t a, std::uint32_t b) { return *items_[a].path < *items_[b].path; });
    PlainFileReads reads(ff_.Folders(), kInline);
    std::vector<PlainToRead> batch;
    std::vector<PlainRead> read;
    for (std::size_t from = 0; from < plain.size(); from += kPlainBatch) {
        if (stop.load() != 0) return;
        const std::size_t to = std::min(plain.size(), from + kPlainBatch);
        batch.clear();
        for (std::size_t n = from; n < to; ++n) {
            const Item& item = items_[plain[n]];
            batch.push_back(PlainToRead{item.path, item.size});
        }
        reads.Read(batch, read);
        for (std::size_t n = from; n < to; ++n) {
            PlainRead& file = read[n - from];
            if (!file.ok) continue;
            const std::uint32_t i = plain[n];
            ByteRange bytes;
            bytes.size = static_cast<std::uint64_t>(items_[i].size);
            if (file.fd.valid()) {
                bytes.fd = file.fd.get();
            } else {
                bytes.data = file.bytes.data();
            }
            identities_[i] = file.identity;
            Classify(i, file.hash, bytes, true);
        }
    }
}

void RecordClasses::ReadArchive(const std::vector<std::uint32_t>& items,
                                const std::atomic<std::uint8_t>& stop) {
    const Item& head = items_[items.front()];
    const std::string& path = *head.path;
    const ListedArchive* listed = ff_.Listings().Find(path);
    auto failAll = [&] {
        for (std::uint32_t i : items) results_[i] = Result{-1, true};
        asListed_[path] = false;
    };
    if (!ff_.LibraryUsable(head.kind) || listed == nullptr || !listed->identity || !listed->ended) {
        failAll();
        return;
    }
    const bool keep = head.side == Side::Source && targetEntries_;
    // Everything the consumer touches is its own: the pass below only reads
    // the items and the listing.
    EntryPipe pipe(
        [&](TakenEntry& taken) {
            const std::uint32_t first = items[taken.from];
            ByteRange bytes;
            bytes.size = static_cast<std::uint64_t>(items_[first].size);
            if (taken.fd >= 0) {
                bytes.fd = taken.fd;
            } else {
                bytes.data = taken.bytes.data();
            }
            for (std::size_t k = taken.from; k < taken.to; ++k) {
                if (!taken.ok) {
                    results_[items[k]] = Result{-1, true};
                } else if (k == taken.from) {
                    Classify(first, taken.hash, bytes, keep);
                } else {
                    results_[items[k]] = results_[first];
                }
            }
        },
        items.size() >= kThreadedPass);
    std::size_t next = 0;
    std::size_t seen = 0;
    bool asListed = true;
    bool stopped = false;
    platform::PassEnd end = platform::PassEnd::Cut;
    std::optional<platform::UniqueFd> scratch;  // for entries not held in memory
    const auto visit = [&](std::optional<std::size_t> position, const platform::StoredEntry& e,
                           platform::ArchiveStream& stream) {
        using platform::StoredEntry;
        // Exactly the listing, entry by entry, or the archive is not trusted
        // to be deleted whole.
        if (!position || *position >= listed->entries.size()) {
            asListed = false;
            return true;
        }
        ++seen;
        const ListedEntry& want = listed->entries[*position];
        if (e.name != want.name || (e.type == StoredEntry::File) != want.IsFile() ||
            (e.type == StoredEntry::File &&
             (!e.sizeKnown || e.size != static_cast<std::uint64_t>(want.size)))) {
            asListed = false;
        }
        const std::size_t skipped = next;
        while (next < items.size() &&
               items_[items[next]].position < static_cast<std::int32_t>(*position)) {
            ++next;
        }
        if (next != skipped && !pipe.Put(TakenEntry{skipped, next, false, 0, {}, -1})) {
            return false;
        }
        if (next == items.size() ||
            items_[items[next]].position != static_cast<std::int32_t>(*position)) {
            return true;
        }
        const Item& item = items_[items[next]];
        std::size_t last = next;
        while (last < items.size() && items_[items[last]].position == item.position) ++last;
        bool taken = e.type == StoredEntry::File && e.sizeKnown && e.name == *item.entry &&
                     want.name == *item.entry && e.size == static_cast<std::uint64_t>(item.size) &&
                     platform::ExtractableLeafName(e.name).has_value();
        TakenEntry out{next, last, false, 0, {}, -1};
        ByteRange bytes;
        bytes.size = static_cast<std::uint64_t>(item.size);
        std::string error;
        if (taken && bytes.size <= kInline) {
            out.bytes = pipe.Buffer();
            taken = stream.CopyData(out.bytes, bytes.size, error);
            bytes.data = out.bytes.data();
        } else if (taken) {
            // The work file is written again only once its last entry is consumed.
            if (!pipe.Drain()) return false;
            if (!scratch) scratch.emplace(OpenUnnamedWorkFile(ff_.TempDir[0]));
            out.fd = scratch->get();
            taken = out.fd >= 0 && platform::Truncate(out.fd, 0) && platform::Rewind(out.fd) &&
                    stream.CopyData(out.fd, bytes.size, error);
            bytes.fd = out.fd;
        }
        out.ok = taken;
        if (taken) out.hash = HashRange(bytes, out.ok);
        next = last;
        if (!pipe.Put(std::move(out))) return false;
        if (stop.load() != 0) {
            stopped = true;
            return false;
        }
        return true;
    };
    const platform::ArchiveFormat format = FormatOfKind(head.kind);
    pipe.Run([&] { end = platform::VisitEntries(path, format, *listed->identity, visit); });
    if (end == platform::PassEnd::Untrusted) {
        failAll();
        return;
    }
    // Not reached: failed, unless the user stopped the run.
    for (; next < items.size() && !stopped; ++next) results_[items[next]] = Result{-1, true};
    const bool complete =
        end == platform::PassEnd::Complete && asListed && seen == listed->entries.size();
    const auto [it, added] = asListed_.try_emplace(path, complete);
    if (!added) it->second = it->second && complete;
    if (complete) ff_.NoteReadAsListed(path);
}

void RecordClasses::Classify(std::uint32_t item, std::uint64_t hash, const ByteRange& bytes,
                             bool keep) {
    const std::uint64_t key = Mix(hash, bytes.size);
    const auto bucket = buckets_.find(key);
    if (bucket != buckets_.end()) {
        for (std::int32_t m = bucket->second.first; m >= 0;) {
            const Member& member = members_[static_cast<std::size_t>(m)];
            if (SameAsMember(member, bytes)) {
                results_[item].cls = member.cls;
                return;
            }
            m = member.next;
        }
    }
    const std::int32_t cls = classes_++;
    results_[item].cls = cls;
    if (!keep) return;
    Member member{cls, -1, -1, -1};
    if (items_[item].entry == nullptr) {
        member.item = static_cast<std::int32_t>(item);
    } else {
        member.kept = spool_.Keep(bytes);
        if (member.kept < 0) return;
    }
    const auto added = static_cast<std::int32_t>(members_.size());
    members_.push_back(member);
    if (bucket == buckets_.end()) {
        buckets_.emplace(key, Chain{added, added});
    } else {
        members_[static_cast<std::size_t>(bucket->second.last)].next = added;
        bucket->second.last = added;
    }
}

bool RecordClasses::SameAsMember(const Member& member, const ByteRange& bytes) const {
    if (member.kept >= 0) return SameRanges(spool_.Kept(member.kept), bytes);
    const auto item = static_cast<std::uint32_t>(member.item);
    if (item >= identities_.size() || !identities_[item]) return false;
    const platform::FileIdentity& known = *identities_[item];
    platform::UniqueFd fd(ff_.Folders().OpenForReading(*items_[item].path));
    if (fd.get() < 0) return false;
    // Still the file that was read once the bytes are in: the same inode,
    // and a change time that only ever moves on, so unchanged throughout.
    ByteRange there;
    there.fd = fd.get();
    there.size = static_cast<std::uint64_t>(known.size);
    return SameRanges(there, bytes) && platform::IdentityOfDescriptor(fd.get()) == known;
}

}  // namespace nebu
