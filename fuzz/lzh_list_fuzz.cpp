// Bytes of an LZH archive (or anything else, a self-extractor's stub
// included), listed and read as the built-in unlha32 stand-in reads it.
#include "archive_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nebu::fuzz::ListArchiveBytes(data, size, nebu::platform::ArchiveFormat::Lzh);
    return 0;
}
