// Bytes of a ZIP archive (or anything else), listed and read as the built-in
// UnZip32 stand-in reads it. Nothing may crash, hang or leak.
#include "archive_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nebu::fuzz::ListArchiveBytes(data, size, nebu::platform::ArchiveFormat::Zip);
    return 0;
}
