#include "engine/ByteSpool.h"

#define XXH_STATIC_LINKING_ONLY  // the state on the stack
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/FileReading.h"
#include "platform/WorkFiles.h"

namespace nebu {

namespace {

constexpr std::size_t kBlock = 65536;

// One comparison at a time per thread: its two buffers are kept.
char* Buffer(int which) {
    thread_local std::unique_ptr<char[]> buffers[2];
    if (!buffers[which]) buffers[which] = std::make_unique_for_overwrite<char[]>(kBlock);
    return buffers[which].get();
}

}  // namespace

bool ReadRange(const ByteRange& range, std::uint64_t offset, char* into, std::size_t size) {
    if (offset + size > range.size) return false;
    if (range.data != nullptr) {
        std::memcpy(into, range.data + offset, size);
        return true;
    }
    const long got = platform::ReadFullAt(range.fd, into, size,
                                          range.offset + static_cast<std::int64_t>(offset));
    return got == static_cast<long>(size);
}

std::uint64_t HashRange(const ByteRange& range, bool& ok) {
    ok = true;
    if (range.data != nullptr) return XXH3_64bits(range.data, range.size);
    XXH3_state_t state;
    XXH3_64bits_reset(&state);
    char* block = Buffer(0);
    for (std::uint64_t at = 0; at < range.size; at += kBlock) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, range.size - at));
        if (!ReadRange(range, at, block, n)) {
            ok = false;
            return 0;
        }
        XXH3_64bits_update(&state, block, n);
    }
    return XXH3_64bits_digest(&state);
}

bool SameRanges(const ByteRange& a, const ByteRange& b) {
    if (a.size != b.size) return false;
    if (a.data != nullptr && b.data != nullptr) return std::memcmp(a.data, b.data, a.size) == 0;
    char* bufA = Buffer(0);
    char* bufB = Buffer(1);
    for (std::uint64_t at = 0; at < a.size; at += kBlock) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, a.size - at));
        const char* pa = a.data != nullptr ? a.data + at : bufA;
        const char* pb = b.data != nullptr ? b.data + at : bufB;
        if (a.data == nullptr && !ReadRange(a, at, bufA, n)) return false;
        if (b.data == nullptr && !ReadRange(b, at, bufB, n)) return false;
        if (std::memcmp(pa, pb, n) != 0) return false;
    }
    return true;
}

int OpenUnnamedWorkFile(const std::string& folder) {
    return platform::OpenUnnamedFile(folder);
}

ByteSpool::~ByteSpool() {
    platform::CloseFile(fd_);
}

int ByteSpool::Keep(const ByteRange& bytes) {
    Copy copy{-1, bytes.size, {}};
    if (inMemory_ + bytes.size <= budget_) {
        copy.memory.resize(bytes.size);
        if (bytes.size > 0 && !ReadRange(bytes, 0, copy.memory.data(), bytes.size)) return -1;
        inMemory_ += bytes.size;
    } else {
        if (fd_ < 0) fd_ = OpenUnnamedWorkFile(folder_);
        if (fd_ < 0) return -1;
        char* block = Buffer(0);
        for (std::uint64_t at = 0; at < bytes.size; at += kBlock) {
            const auto n =
                static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, bytes.size - at));
            const char* data = bytes.data != nullptr ? bytes.data + at : block;
            if (bytes.data == nullptr && !ReadRange(bytes, at, block, n)) return -1;
            if (!platform::WriteAllAt(fd_, data, n, fileEnd_ + static_cast<std::int64_t>(at)))
                return -1;
        }
        copy.offset = fileEnd_;
        fileEnd_ += static_cast<std::int64_t>(bytes.size);
    }
    copies_.push_back(std::move(copy));
    return static_cast<int>(copies_.size()) - 1;
}

ByteRange ByteSpool::Kept(int number) const {
    const Copy& copy = copies_[static_cast<std::size_t>(number)];
    ByteRange range;
    range.size = copy.size;
    if (copy.offset < 0) {
        range.data = copy.memory.data();
    } else {
        range.fd = fd_;
        range.offset = copy.offset;
    }
    return range;
}

}  // namespace nebu
