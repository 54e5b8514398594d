// Bytes of a 7z, tar (plain or compressed) or RAR archive (or anything
// else), listed and read as the built-in unarc32 stand-in reads it. Nothing
// may crash, hang or leak.
#include "archive_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nebu::fuzz::ListArchiveBytes(data, size, nebu::platform::ArchiveFormat::Arc);
    return 0;
}
