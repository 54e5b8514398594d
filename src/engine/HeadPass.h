#pragma once
// Reads the first bytes of many files in the order of their folders, before
// the size groups are compared one by one. Each file is opened relative to
// its open folder, which spares the kernel the walk down the whole path: on
// large trees of small files that walk is a good part of all the time spent.
// A file whose head is like no other head of its group is then never opened
// again (ContentClasses::Build).

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace nebu {

class HeadPass {
  public:
    // Bytes of a file's start that its head covers.
    static constexpr std::size_t kHeadBytes = 4096;

    // What `out` holds for a file whose head is not known: one that could
    // not be opened or gave other than the bytes its size promised. No head
    // is ever this value.
    static constexpr std::uint64_t kNoHead = 0;

    // Asks for the head of the file at `path`, `size` bytes long when it was
    // found. `path` and `out` must stay where they are until Run returns.
    void Request(const std::string* path, std::int64_t size, std::uint64_t* out);
    // Reads every file asked for; returns early once `stop` is set.
    void Run(const std::atomic<std::uint8_t>& stop);
    // The bytes the files asked for hold in their heads: what Run reads.
    std::int64_t PlannedBytes() const { return plannedBytes_; }

  private:
    // One per file of a large tree, so kept small: `out` holds the file's
    // size until the head takes its place.
    struct Item {
        const std::string* path;
        std::uint64_t* out;
    };
    std::vector<Item> items_;
    std::int64_t plannedBytes_ = 0;
};

}  // namespace nebu
