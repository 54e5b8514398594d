#include "engine/ArchiverLibrary.h"

#include <utility>

namespace nebu {

ArchiverLibrary::ArchiverLibrary(std::string libraryName, std::string prefix,
                                 const platform::LibraryLoader& loader)
    : libraryName_(std::move(libraryName)), prefix_(std::move(prefix)), loader_(loader) {}

ArchiverLibrary::~ArchiverLibrary() {
    if (handle_) loader_.Free(handle_);
}

namespace {

template <typename Fn>
bool Find(const platform::LibraryLoader& loader, platform::LibraryHandle* handle,
          const std::string& symbol, Fn& slot) {
    slot = reinterpret_cast<Fn>(loader.GetProc(handle, symbol));
    return slot != nullptr;
}

}  // namespace

bool ArchiverLibrary::Load() {
    ready_ = false;
    if (handle_) {
        loader_.Free(handle_);
        handle_ = nullptr;
    }
    handle_ = loader_.Load(libraryName_);
    if (!handle_) return false;

    // Every entry point must be there; one missing makes the library unusable.
    bool complete = Find(loader_, handle_, prefix_, Command);
    complete = Find(loader_, handle_, prefix_ + "SetBackGroundMode", SetBackGroundMode) && complete;
    complete = Find(loader_, handle_, prefix_ + "OpenArchive", OpenArchive) && complete;
    complete = Find(loader_, handle_, prefix_ + "CloseArchive", CloseArchive) && complete;
    complete = Find(loader_, handle_, prefix_ + "FindFirst", FindFirst) && complete;
    complete = Find(loader_, handle_, prefix_ + "FindNext", FindNext) && complete;
    complete = Find(loader_, handle_, prefix_ + "GetVersion", GetVersion) && complete;
    complete = Find(loader_, handle_, prefix_ + "CheckArchive", CheckArchive) && complete;
    if (!complete) return false;

    // The library stays loaded (until this object goes) even when too old.
    std::uint16_t version = GetVersion();
    if (static_cast<unsigned>(version & 0xFFFFu) < 95u) return false;

    SetBackGroundMode(false);
    ready_ = true;
    return true;
}

}  // namespace nebu
