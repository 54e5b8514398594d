#include "platform/LibraryLoader.h"

#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/ArchiverApi.h"
#include "platform/BuiltinArchiver.h"

namespace nebu::platform {

struct LibraryHandle {
    const std::vector<builtin::Symbol>* symbols;
};

namespace {

struct Faults {
    std::mutex mutex;
    std::set<std::string> failingLoads;
    std::set<std::string> hiddenSymbols;
    std::map<std::string, void*> overrides;
};

Faults& TheFaults() {
    static Faults faults;
    return faults;
}

const std::vector<builtin::Symbol>* BuiltinLibrary(const std::string& name) {
    // Names are matched exactly: the libraries are ours, not found on a path.
    if (name == kLhaLibraryName) return &builtin::LhaSymbols();
    if (name == kZipLibraryName) return &builtin::ZipSymbols();
    return nullptr;
}

}  // namespace

LibraryHandle* LibraryLoader::Load(const std::string& name) {
    auto* symbols = BuiltinLibrary(name);
    if (!symbols) return nullptr;
    {
        Faults& faults = TheFaults();
        std::lock_guard lock(faults.mutex);
        if (faults.failingLoads.count(name)) return nullptr;
    }
    return new LibraryHandle{symbols};
}

void* LibraryLoader::GetProc(LibraryHandle* library, const std::string& symbol) {
    if (!library) return nullptr;
    {
        Faults& faults = TheFaults();
        std::lock_guard lock(faults.mutex);
        if (faults.hiddenSymbols.count(symbol)) return nullptr;
        if (auto it = faults.overrides.find(symbol); it != faults.overrides.end()) {
            return it->second;
        }
    }
    for (const auto& entry : *library->symbols) {
        if (entry.name == symbol) return entry.address;
    }
    return nullptr;
}

void LibraryLoader::Free(LibraryHandle* library) {
    delete library;
}

void LibraryLoader::FailLoad(const std::string& name) {
    Faults& faults = TheFaults();
    std::lock_guard lock(faults.mutex);
    faults.failingLoads.insert(name);
}

void LibraryLoader::HideSymbol(const std::string& symbol) {
    Faults& faults = TheFaults();
    std::lock_guard lock(faults.mutex);
    faults.hiddenSymbols.insert(symbol);
}

void LibraryLoader::OverrideSymbol(const std::string& symbol, void* function) {
    Faults& faults = TheFaults();
    std::lock_guard lock(faults.mutex);
    faults.overrides[symbol] = function;
}

void LibraryLoader::ResetFaults() {
    Faults& faults = TheFaults();
    std::lock_guard lock(faults.mutex);
    faults.failingLoads.clear();
    faults.hiddenSymbols.clear();
    faults.overrides.clear();
}

}  // namespace nebu::platform
