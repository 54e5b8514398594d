#pragma once
// Finds the built-in archiver libraries by name and their entry points by
// symbol name. Whoever loads a library is handed a loader; tests hand over
// one with faults put in (a load that fails, an entry point hidden or
// replaced), so that no load ever consults shared state.

#include <map>
#include <set>
#include <string>

namespace nebu::platform {

struct LibraryHandle;

class LibraryLoader {
  public:
    virtual ~LibraryLoader() = default;
    // The loader of the libraries as they are built in.
    static const LibraryLoader& Builtin();

    // nullptr when no library of that name exists (or it fails to load).
    virtual LibraryHandle* Load(const std::string& name) const;
    // nullptr when the library has no such entry point.
    virtual void* GetProc(LibraryHandle* library, const std::string& symbol) const;
    void Free(LibraryHandle* library) const;
};

// The built-in libraries with faults put in; the faults affect later
// Load/GetProc calls only.
class FaultyLibraryLoader : public LibraryLoader {
  public:
    void FailLoad(const std::string& name) { failingLoads_.insert(name); }
    void HideSymbol(const std::string& symbol) { hiddenSymbols_.insert(symbol); }
    void OverrideSymbol(const std::string& symbol, void* function) {
        overrides_[symbol] = function;
    }
    void ResetFaults();

    LibraryHandle* Load(const std::string& name) const override;
    void* GetProc(LibraryHandle* library, const std::string& symbol) const override;

  private:
    std::set<std::string> failingLoads_;
    std::set<std::string> hiddenSymbols_;
    std::map<std::string, void*> overrides_;
};

}  // namespace nebu::platform
