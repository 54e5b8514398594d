#include "engine/ArchiverLibrary.h"

#include <utility>

namespace nebu {

ArchiverLibrary::ArchiverLibrary(std::string libraryName, std::string prefix)
    : libraryName_(std::move(libraryName)), prefix_(std::move(prefix)) {}

ArchiverLibrary::~ArchiverLibrary() {
    if (handle_) platform::LibraryLoader::Free(handle_);
}

namespace {

template <typename Fn>
bool Find(platform::LibraryHandle* handle, const std::string& symbol, Fn& slot) {
    slot = reinterpret_cast<Fn>(platform::LibraryLoader::GetProc(handle, symbol));
    return slot != nullptr;
}

}  // namespace

bool ArchiverLibrary::Load() {
    ready_ = false;
    if (handle_) {
        platform::LibraryLoader::Free(handle_);
        handle_ = nullptr;
    }
    handle_ = platform::LibraryLoader::Load(libraryName_);
    if (!handle_) return false;

    // Every entry point must be there; one missing makes the library unusable.
    bool complete = Find(handle_, prefix_, Command);
    complete = Find(handle_, prefix_ + "SetBackGroundMode", SetBackGroundMode) && complete;
    complete = Find(handle_, prefix_ + "OpenArchive", OpenArchive) && complete;
    complete = Find(handle_, prefix_ + "CloseArchive", CloseArchive) && complete;
    complete = Find(handle_, prefix_ + "FindFirst", FindFirst) && complete;
    complete = Find(handle_, prefix_ + "FindNext", FindNext) && complete;
    complete = Find(handle_, prefix_ + "GetVersion", GetVersion) && complete;
    complete = Find(handle_, prefix_ + "CheckArchive", CheckArchive) && complete;
    if (!complete) return false;

    // The library stays loaded (until this object goes) even when too old.
    std::uint16_t version = GetVersion();
    if (static_cast<unsigned>(version & 0xFFFFu) < 95u) return false;

    SetBackGroundMode(false);
    ready_ = true;
    return true;
}

}  // namespace nebu
