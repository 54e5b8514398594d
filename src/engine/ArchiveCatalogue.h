#pragma once
// The archive catalogue of a run: the two archiver libraries, and what the
// scan listed of each archive, which later decides what may be extracted
// from it and whether it may be deleted whole.

#include <functional>
#include <string>

#include "engine/ArchiverLibrary.h"
#include "engine/ListedArchives.h"
#include "engine/NebuList.h"
#include "platform/LibraryLoader.h"

namespace nebu {

class ArchiveCatalogue {
  public:
    // Loads both libraries through `loader`; one that fails leaves the
    // other usable.
    explicit ArchiveCatalogue(const platform::LibraryLoader& loader);

    bool LzhReady = false;
    bool ZipReady = false;
    // Told of each file that may be an archive but was not listed, so that
    // one that cannot be read is reported.
    std::function<void(const std::string&)> OnNotListed;

    // A file of a side with archive contents switched on (`lzh`, `zip`):
    // listed by its name's kind, else by what the side's libraries say of it.
    // `whole` makes one record of each archive instead of one per entry.
    void Dispatch(const std::string& path, TNebuList& list, bool lzh, bool zip, bool whole);
    void ListLzh(const std::string& path, TNebuList& list, bool whole);
    void ListZip(const std::string& path, TNebuList& list, bool whole);

    ArchiverLibrary& Lzh() { return lzh_; }
    ArchiverLibrary& Zip() { return zip_; }
    const ListedArchives& Listings() const { return listings_; }
    ListedArchives& Listings() { return listings_; }

  private:
    void List(ArchiverLibrary& library, std::uint8_t kind, const std::string& path, TNebuList& list,
              bool whole);

    ArchiverLibrary lzh_;
    ArchiverLibrary zip_;
    ListedArchives listings_;
};

}  // namespace nebu
