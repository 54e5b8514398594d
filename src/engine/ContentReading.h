#pragma once
// What the two halves of the content classification share: chunk sizes and
// the small checks made on open files.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/ByteHash.h"
#include "platform/FileIdentity.h"
#include "platform/WorkFiles.h"

namespace nebu::content_reading {

inline constexpr std::size_t kFirstChunk = 1024;
inline constexpr std::size_t kLastChunk = 65536;
// Reading in step keeps one chunk per distinct content seen at that point,
// not one per file: identical files need no more memory than two.
inline constexpr std::size_t kStepBufferBudget = 1u << 20;

inline void CloseFd(int& fd) {
    platform::CloseFile(fd);
    fd = -1;
}

inline bool Unchanged(int fd, const platform::FileIdentity& before) {
    const auto after = platform::IdentityOfDescriptor(fd);
    return after && *after == before;
}

// Tells chunks apart cheaply before any byte-by-byte comparison: random or
// different data almost always differs at one of the chunk's two ends.
inline std::uint64_t QuickKey(const char* data, std::size_t size) {
    if (size < 16) return HashBytes(data, size);
    std::uint64_t first, last;
    std::memcpy(&first, data, 8);
    std::memcpy(&last, data + size - 8, 8);
    return Mix(Mix(0, first), last);
}

}  // namespace nebu::content_reading
