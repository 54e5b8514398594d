#pragma once
// The archive catalogue of a run: the archiver libraries (LZH, ZIP, and one
// for 7z, tar and RAR), and what the scan listed of each archive, which later
// decides what may be extracted from it and whether it may be deleted whole.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/ArchiverLibrary.h"
#include "engine/ListedArchives.h"
#include "engine/NebuList.h"
#include "platform/ArchiveStream.h"
#include "platform/LibraryLoader.h"

namespace nebu {

// The name endings that mark a file as a 7z, tar or RAR archive (ASCII,
// matched ignoring case); the masks of the archive option are made of them.
inline constexpr std::array<std::string_view, 10> kArcNameEndings{
    ".7z", ".tar", ".tar.gz", ".tgz", ".tar.bz2", ".tbz2", ".tar.xz", ".txz", ".tar.zst", ".rar"};

bool HasArcNameEnding(std::string_view path);

// The stand-in format that reads records of `kind` (LZH, ZIP or the rest).
platform::ArchiveFormat FormatOfKind(std::uint8_t kind);

// Which archives a side's scan takes in.
struct ArchiveChoice {
    bool lzh = false;
    bool zip = false;
    bool arc = false;  // 7z, tar and RAR
    bool Any() const { return lzh || zip || arc; }
};

class ArchiveCatalogue {
  public:
    // Loads the libraries through `loader`; one that fails leaves the
    // others usable.
    explicit ArchiveCatalogue(const platform::LibraryLoader& loader);

    bool LzhReady = false;
    bool ZipReady = false;
    bool ArcReady = false;
    // Told of each file that may be an archive but was not listed, so that
    // one that cannot be read is reported.
    std::function<void(const std::string&)> OnNotListed;
    // Told of each 7z, tar or RAR archive that cannot be opened or whose
    // listing ends in an error: the user learns why it took no part.
    std::function<void(const std::string&)> OnDamaged;

    // A file of a side with archive contents switched on: listed by its
    // name's kind, else by what the side's libraries say of it. `whole`
    // makes one record of each archive instead of one per entry.
    void Dispatch(const std::string& path, TNebuList& list, ArchiveChoice choice, bool whole);
    void Dispatch(const std::string& path, TNebuList& list, bool lzh, bool zip, bool whole) {
        Dispatch(path, list, ArchiveChoice{lzh, zip, false}, whole);
    }
    void ListLzh(const std::string& path, TNebuList& list, bool whole);
    void ListZip(const std::string& path, TNebuList& list, bool whole);
    void ListArc(const std::string& path, TNebuList& list, bool whole);

    ArchiverLibrary& Lzh() { return lzh_; }
    ArchiverLibrary& Zip() { return zip_; }
    ArchiverLibrary& Arc() { return arc_; }
    // The library of records of `kind`, and whether it may be used.
    ArchiverLibrary& Library(std::uint8_t kind);
    bool Usable(std::uint8_t kind);
    const ListedArchives& Listings() const { return listings_; }
    ListedArchives& Listings() { return listings_; }

  private:
    void List(ArchiverLibrary& library, std::uint8_t kind, const std::string& path, TNebuList& list,
              bool whole);

    ArchiverLibrary lzh_;
    ArchiverLibrary zip_;
    ArchiverLibrary arc_;
    ListedArchives listings_;
};

}  // namespace nebu
