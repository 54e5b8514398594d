#include "engine/ListedArchives.h"

#include "engine/ArchiveCatalogue.h"
#include "engine/NebuRecords.h"
#include "platform/ArchiveStream.h"

namespace nebu {

namespace {

bool SameEntries(const std::vector<ListedEntry>& a, const std::vector<ListedEntry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].size != b[i].size) return false;
    }
    return true;
}

// Reads the entries again and compares them one by one with the listing;
// anything the listing passed over (a link, a damaged tail, a file whose
// size is unknown or whose name reads like a folder's) fails.
bool EntriesAsListed(platform::ArchiveStream& stream, const std::vector<ListedEntry>& listed) {
    using platform::ArchiveStream;
    using platform::StoredEntry;
    std::size_t position = 0;
    StoredEntry entry;
    for (;;) {
        switch (stream.Next(entry)) {
            case ArchiveStream::Step::End:
                return position == listed.size();
            case ArchiveStream::Step::Error:
                return false;
            case ArchiveStream::Step::Entry:
                break;
        }
        if (entry.type == StoredEntry::Other || position >= listed.size()) return false;
        const ListedEntry& want = listed[position++];
        if (entry.name != want.name) return false;
        if (entry.type == StoredEntry::File) {
            if (!want.IsFile() || !entry.sizeKnown) return false;
            if (static_cast<std::uint64_t>(want.size) != entry.size) return false;
        } else if (want.IsFile()) {
            return false;
        }
    }
}

}  // namespace

void ListedArchives::Record(const std::string& path, ListedArchive listing) {
    auto [it, added] = archives_.try_emplace(path, std::move(listing));
    if (added) return;
    // Listed once for each side: both listings must agree.
    ListedArchive& known = it->second;
    if (known.identity != listing.identity || known.kind != listing.kind ||
        !SameEntries(known.entries, listing.entries) || known.ended != listing.ended) {
        known.identity.reset();
    }
}

const ListedArchive* ListedArchives::Find(const std::string& path) const {
    const auto it = archives_.find(path);
    return it == archives_.end() ? nullptr : &it->second;
}

void ListedArchives::MarkPassed(const std::string& path) {
    const auto it = archives_.find(path);
    if (it != archives_.end()) it->second.passed = true;
}

bool ListedArchives::StillAsListed(const std::string& path, bool readAgain) const {
    const ListedArchive* listed = Find(path);
    if (listed == nullptr || !listed->identity || !listed->ended) return false;
    if (platform::IdentityOfPath(path) != listed->identity) return false;
    if (listed->passed && !readAgain) return true;
    auto stream = platform::ArchiveStream::Open(path, FormatOfKind(listed->kind));
    if (!stream || stream->Identity() != listed->identity) return false;
    if (!EntriesAsListed(*stream, listed->entries)) return false;
    return stream->Identity() == listed->identity &&
           platform::IdentityOfPath(path) == listed->identity;
}

}  // namespace nebu
