#pragma once
// One archiver library as the file functions see it: loaded by name, its
// eight entry points looked up, usable only from version 95 on.

#include <string>

#include "platform/ArchiverApi.h"
#include "platform/LibraryLoader.h"

namespace nebu {

class ArchiverLibrary {
  public:
    // `prefix` is "Unlha" or "UnZip".
    ArchiverLibrary(std::string libraryName, std::string prefix,
                    const platform::LibraryLoader& loader = platform::LibraryLoader::Builtin());
    ~ArchiverLibrary();
    ArchiverLibrary(const ArchiverLibrary&) = delete;
    ArchiverLibrary& operator=(const ArchiverLibrary&) = delete;

    // Load, look up every entry point, check the version, switch background
    // mode off. True when usable.
    bool Load();
    bool Ready() const { return ready_; }

    platform::ArchiverCommandFn Command = nullptr;
    platform::ArchiverSetBackGroundModeFn SetBackGroundMode = nullptr;
    platform::ArchiverOpenArchiveFn OpenArchive = nullptr;
    platform::ArchiverCloseArchiveFn CloseArchive = nullptr;
    platform::ArchiverFindFirstFn FindFirst = nullptr;
    platform::ArchiverFindNextFn FindNext = nullptr;
    platform::ArchiverGetVersionFn GetVersion = nullptr;
    platform::ArchiverCheckArchiveFn CheckArchive = nullptr;

  private:
    std::string libraryName_;
    std::string prefix_;
    const platform::LibraryLoader& loader_;
    platform::LibraryHandle* handle_ = nullptr;
    bool ready_ = false;
};

}  // namespace nebu
