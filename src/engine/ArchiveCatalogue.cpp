#include "engine/ArchiveCatalogue.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "engine/NebuRecords.h"
#include "platform/ArchiverApi.h"
#include "platform/FileIdentity.h"

namespace nebu {

namespace {

// The last three characters against an upper-case kind name. ASCII bytes can
// never be part of a multibyte character, so a byte test is exact.
bool EndsWithNoCase(std::string_view path, std::string_view upperSuffix) {
    if (path.size() < upperSuffix.size()) return false;
    std::string_view tail = path.substr(path.size() - upperSuffix.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != upperSuffix[i]) return false;
    }
    return true;
}

std::int64_t ClampSize(std::uint64_t size) {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(size > kMax ? kMax : size);
}

std::int64_t AddClamped(std::int64_t a, std::int64_t b) {
    if (a > std::numeric_limits<std::int64_t>::max() - b) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return a + b;
}

}  // namespace

bool HasArcNameEnding(std::string_view path) {
    for (std::string_view ending : kArcNameEndings) {
        std::string upper(ending);
        for (char& c : upper) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        if (EndsWithNoCase(path, upper)) return true;
    }
    return false;
}

platform::ArchiveFormat FormatOfKind(std::uint8_t kind) {
    if (kind == kKindLzh) return platform::ArchiveFormat::Lzh;
    if (kind == kKindZip) return platform::ArchiveFormat::Zip;
    return platform::ArchiveFormat::Arc;
}

ArchiveCatalogue::ArchiveCatalogue(const platform::LibraryLoader& loader)
    : lzh_(platform::kLhaLibraryName, "Unlha", loader),
      zip_(platform::kZipLibraryName, "UnZip", loader),
      arc_(platform::kArcLibraryName, "UnArc", loader) {
    LzhReady = lzh_.Load();
    ZipReady = zip_.Load();
    ArcReady = arc_.Load();
}

ArchiverLibrary& ArchiveCatalogue::Library(std::uint8_t kind) {
    if (kind == kKindLzh) return lzh_;
    if (kind == kKindZip) return zip_;
    return arc_;
}

bool ArchiveCatalogue::Usable(std::uint8_t kind) {
    const bool ready = kind == kKindLzh ? LzhReady : kind == kKindZip ? ZipReady : ArcReady;
    return ready && Library(kind).Ready();
}

void ArchiveCatalogue::Dispatch(const std::string& path, TNebuList& list, ArchiveChoice choice,
                                bool whole) {
    const auto recognises = [&](bool chosen, std::uint8_t kind) {
        return chosen && Usable(kind) && Library(kind).CheckArchive(path.c_str(), 0);
    };
    if (EndsWithNoCase(path, "LZH")) {
        ListLzh(path, list, whole);
    } else if (EndsWithNoCase(path, "ZIP")) {
        ListZip(path, list, whole);
    } else if (choice.arc && HasArcNameEnding(path)) {
        ListArc(path, list, whole);
    } else if (recognises(choice.lzh, kKindLzh)) {
        ListLzh(path, list, whole);
    } else if (recognises(choice.zip, kKindZip)) {
        ListZip(path, list, whole);
    } else if (recognises(choice.arc, kKindArc)) {
        ListArc(path, list, whole);
    } else if ((choice.lzh && LzhReady) || (choice.zip && ZipReady) || (choice.arc && ArcReady)) {
        // Whether it holds an archive only its bytes can tell.
        if (OnNotListed) OnNotListed(path);
    }
}

void ArchiveCatalogue::ListLzh(const std::string& path, TNebuList& list, bool whole) {
    if (LzhReady && lzh_.Ready()) List(lzh_, kKindLzh, path, list, whole);
}

void ArchiveCatalogue::ListZip(const std::string& path, TNebuList& list, bool whole) {
    if (ZipReady && zip_.Ready()) List(zip_, kKindZip, path, list, whole);
}

void ArchiveCatalogue::ListArc(const std::string& path, TNebuList& list, bool whole) {
    if (Usable(kKindArc)) List(arc_, kKindArc, path, list, whole);
}

void ArchiveCatalogue::List(ArchiverLibrary& library, std::uint8_t kind, const std::string& path,
                            TNebuList& list, bool whole) {
    // The archive as it is listed: its entries are later extracted, and the
    // whole of it deleted, only while it is still this file.
    const std::optional<platform::FileIdentity> before = platform::IdentityOfPath(path);
    platform::HARC archive =
        library.OpenArchive(nullptr, path.c_str(), platform::kOpenNoErrorMessages);
    if (archive == nullptr) {
        const auto& tell = kind == kKindArc ? OnDamaged : OnNotListed;
        if (tell) tell(path);
        return;
    }

    NebuRec rec;
    rec.Path = path;
    rec.Kind = kind;
    rec.Size = 0;
    ListedArchive listing;
    listing.kind = kind;

    platform::IndividualInfo info;
    std::int32_t position = 0;
    int rc = library.FindFirst(archive, "*.*", &info);
    for (; rc == 0; rc = library.FindNext(archive, &info), ++position) {
        const std::string& name = info.fileName;
        const std::int64_t size = ClampSize(info.originalSize);
        listing.entries.push_back(ListedEntry{name, size});
        // A folder entry; a nameless entry would pose as a whole-archive
        // record and cannot be extracted by name either.
        if (!listing.entries.back().IsFile()) continue;
        rec.Size = whole ? AddClamped(rec.Size, size) : size;
        if (whole) {
            rec.Entries.Append(name, size, position);
        } else {
            rec.Entry = name;
            rec.EntryIndex = position;
            list.AddSorted(rec);
        }
        listing.total = AddClamped(listing.total, size);
    }
    listing.ended = rc == -1;
    library.CloseArchive(archive);
    if (!listing.ended && kind == kKindArc && OnDamaged) OnDamaged(path);
    const std::optional<platform::FileIdentity> after = platform::IdentityOfPath(path);
    if (before && before == after) listing.identity = before;
    listings_.Record(path, std::move(listing));

    if (whole) list.AddSorted(rec);
}

}  // namespace nebu
