#pragma once
// Finds the built-in archiver stand-ins by library name and their entry
// points by symbol name, as LoadLibrary/GetProcAddress would. Tests can make
// a load fail, hide an entry point or put their own function in its place.

#include <string>

namespace nebu::platform {

struct LibraryHandle;

class LibraryLoader {
  public:
    // nullptr when no library of that name exists or loading was made to fail.
    static LibraryHandle* Load(const std::string& name);
    // nullptr when the library has no such entry point (or it was hidden).
    static void* GetProc(LibraryHandle* library, const std::string& symbol);
    static void Free(LibraryHandle* library);

    // Test hooks; they affect later Load/GetProc calls only.
    static void FailLoad(const std::string& name);
    static void HideSymbol(const std::string& symbol);
    static void OverrideSymbol(const std::string& symbol, void* function);
    static void ResetFaults();
};

}  // namespace nebu::platform
