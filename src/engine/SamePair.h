#pragma once
#include <cstdint>
#include <string>

namespace nebu {

// The unit handed to the results: side 1 is the source, side 2 the target.
// Folders carry no trailing separator (or are an archive path).
struct SamePairRec {
    std::string name1;
    std::string folder1;
    std::string name2;
    std::string folder2;
    std::int64_t size = 0;
    std::uint8_t mutual = 0;

    bool operator==(const SamePairRec&) const = default;
};

}  // namespace nebu
