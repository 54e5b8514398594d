#pragma once
// A quick 64-bit hash of bytes. It only ever tells files apart: two files
// with equal hashes are still compared byte by byte.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace nebu {

inline std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h *= 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 33);
}

inline std::uint64_t HashBytes(const char* data, std::size_t size, std::uint64_t h = 0) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, data + i, 8);
        h = Mix(h, w);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, data + i, size - i);
    return Mix(h, tail ^ (static_cast<std::uint64_t>(size) << 56));
}

}  // namespace nebu
