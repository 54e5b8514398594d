#pragma once
// The common archiver library interface, as offered by the built-in stand-ins
// for "unlha32.dll", "UnZip32.dll" and "unarc32.dll" (7z, tar and RAR). Only
// the calls the engine makes exist.

#include <cstdint>
#include <string>

namespace nebu::platform {

using HARC = void*;
using HWND = void*;

// Per-entry record of FindFirst/FindNext. Only the unpacked size and the
// name are read by the engine; the name is UTF-8 and carried whole.
struct IndividualInfo {
    std::uint64_t originalSize = 0;
    std::uint64_t compressedSize = 0;
    std::string fileName;
};

inline constexpr std::uint32_t kOpenNoErrorMessages = 0x00800000;

// Entry-point shapes; the symbol names are prefix + suffix, e.g. "UnlhaFindFirst".
using ArchiverCommandFn = int (*)(HWND window, const char* commandLine, char* output,
                                  std::uint32_t outputSize);
using ArchiverSetBackGroundModeFn = bool (*)(bool background);
using ArchiverOpenArchiveFn = HARC (*)(HWND window, const char* archivePath, std::uint32_t mode);
using ArchiverCloseArchiveFn = int (*)(HARC archive);
using ArchiverFindFirstFn = int (*)(HARC archive, const char* wildName, IndividualInfo* info);
using ArchiverFindNextFn = int (*)(HARC archive, IndividualInfo* info);
using ArchiverGetVersionFn = std::uint16_t (*)();
using ArchiverCheckArchiveFn = bool (*)(const char* archivePath, int mode);

inline constexpr const char* kLhaLibraryName = "unlha32.dll";
inline constexpr const char* kZipLibraryName = "UnZip32.dll";
inline constexpr const char* kArcLibraryName = "unarc32.dll";

}  // namespace nebu::platform
