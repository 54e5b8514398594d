#pragma once
// The built-in stand-ins for "unlha32.dll", "UnZip32.dll" and "unarc32.dll":
// one body, three formats, offered to the loader as tables of entry points by
// symbol name.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ArchiveStream.h"
#include "platform/ArchiverApi.h"

namespace nebu::platform::builtin {

struct Symbol {
    std::string name;
    void* address;
};

// The eight entry points, named "Unlha...", "UnZip..." and "UnArc...".
const std::vector<Symbol>& LhaSymbols();
const std::vector<Symbol>& ZipSymbols();
const std::vector<Symbol>& ArcSymbols();

inline constexpr std::uint16_t kVersion = 100;

// Results other than 0 and -1 (the end of the entries).
enum Error : int {
    kErrorHandle = 0x8012,    // no open archive of this library behind the handle
    kErrorArchive = 0x8006,   // not an archive of this format, or broken
    kErrorCommand = 0x800A,   // the command line is not one we run
    kErrorNotFound = 0x8013,  // no such entry
    kErrorUnsafe = 0x8010,    // the entry cannot be written as one plain file
    kErrorFolder = 0x8020,    // the folder cannot be used
    kErrorWrite = 0x8007,     // the file could not be created or filled
};

int RunCommand(ArchiveFormat format, const char* line, char* output, std::uint32_t outputSize);
HARC OpenArchive(ArchiveFormat format, const char* path, std::uint32_t mode);
int CloseArchive(ArchiveFormat format, HARC archive);
int FindFirst(ArchiveFormat format, HARC archive, const char* wildName, IndividualInfo* info);
int FindNext(ArchiveFormat format, HARC archive, IndividualInfo* info);
bool CheckArchive(ArchiveFormat format, const char* path, int mode);
bool SetBackGroundMode(ArchiveFormat format, bool background);

}  // namespace nebu::platform::builtin
