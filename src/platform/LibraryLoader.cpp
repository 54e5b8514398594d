#include "platform/LibraryLoader.h"

#include <vector>

#include "platform/ArchiverApi.h"
#include "platform/BuiltinArchiver.h"

namespace nebu::platform {

struct LibraryHandle {
    const std::vector<builtin::Symbol>* symbols;
};

namespace {

const std::vector<builtin::Symbol>* BuiltinLibrary(const std::string& name) {
    // Names are matched exactly: the libraries are ours, not found on a path.
    if (name == kLhaLibraryName) return &builtin::LhaSymbols();
    if (name == kZipLibraryName) return &builtin::ZipSymbols();
    if (name == kArcLibraryName) return &builtin::ArcSymbols();
    return nullptr;
}

}  // namespace

const LibraryLoader& LibraryLoader::Builtin() {
    static const LibraryLoader loader;
    return loader;
}

LibraryHandle* LibraryLoader::Load(const std::string& name) const {
    auto* symbols = BuiltinLibrary(name);
    if (!symbols) return nullptr;
    return new LibraryHandle{symbols};
}

void* LibraryLoader::GetProc(LibraryHandle* library, const std::string& symbol) const {
    if (!library) return nullptr;
    for (const auto& entry : *library->symbols) {
        if (entry.name == symbol) return entry.address;
    }
    return nullptr;
}

void LibraryLoader::Free(LibraryHandle* library) const {
    delete library;
}

void FaultyLibraryLoader::ResetFaults() {
    failingLoads_.clear();
    hiddenSymbols_.clear();
    overrides_.clear();
}

LibraryHandle* FaultyLibraryLoader::Load(const std::string& name) const {
    if (failingLoads_.count(name)) return nullptr;
    return LibraryLoader::Load(name);
}

void* FaultyLibraryLoader::GetProc(LibraryHandle* library, const std::string& symbol) const {
    if (!library || hiddenSymbols_.count(symbol)) return nullptr;
    if (auto it = overrides_.find(symbol); it != overrides_.end()) return it->second;
    return LibraryLoader::GetProc(library, symbol);
}

}  // namespace nebu::platform
