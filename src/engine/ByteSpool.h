#pragma once
// Bytes to compare that are not where a path leads: an entry taken out of
// an archive, held in memory or in a work file. Copies kept for later
// comparisons go into a spool, in memory up to a budget and beyond it into
// one unnamed work file, so that a large group costs disk, never memory.

#include <cstdint>
#include <string>
#include <vector>

namespace nebu {

// `size` bytes at `data`, or at `offset` of the open file `fd`.
struct ByteRange {
    const char* data = nullptr;
    int fd = -1;
    std::int64_t offset = 0;
    std::uint64_t size = 0;
};

// Reads `size` bytes from `offset` within the range; false on a short read.
bool ReadRange(const ByteRange& range, std::uint64_t offset, char* into, std::size_t size);
// A hash of the bytes, the same however they are held; `ok` is false when
// they cannot be read.
std::uint64_t HashRange(const ByteRange& range, bool& ok);
// Byte-for-byte equality; false also when either cannot be read.
bool SameRanges(const ByteRange& a, const ByteRange& b);

// A file of the work folder that no other process can reach by name: made
// and unlinked at once, it is gone with the last descriptor.
int OpenUnnamedWorkFile(const std::string& folder);

class ByteSpool {
  public:
    ByteSpool(std::uint64_t memoryBudget, std::string folder)
        : budget_(memoryBudget), folder_(std::move(folder)) {}
    ~ByteSpool();
    ByteSpool(const ByteSpool&) = delete;
    ByteSpool& operator=(const ByteSpool&) = delete;

    // Keeps a copy of the bytes; its number, or -1 when it cannot be kept.
    int Keep(const ByteRange& bytes);
    ByteRange Kept(int number) const;

  private:
    struct Copy {
        std::int64_t offset;  // into the file, or -1 in memory
        std::uint64_t size;
        std::string memory;
    };
    std::uint64_t budget_;
    std::uint64_t inMemory_ = 0;
    std::string folder_;
    int fd_ = -1;
    std::int64_t fileEnd_ = 0;
    std::vector<Copy> copies_;
};

}  // namespace nebu
