#pragma once
// The plain files of large size groups, read and hashed a batch at a time
// on two threads before they are placed among the classes in order: the
// reading is nearly all of the work and spreads over two processors, the
// placing is little and needs one thread.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileIdentity.h"
#include "platform/FolderHandles.h"
#include "platform/UniqueFd.h"

namespace nebu {

struct PlainRead {
    bool ok = false;  // read whole, and unchanged while it was read
    std::uint64_t hash = 0;
    platform::FileIdentity identity{};
    std::string bytes;      // a small file's bytes,
    platform::UniqueFd fd;  // or a larger one still open
};

struct PlainToRead {
    const std::string* path;
    std::int64_t size;  // as listed: a file of another size now is not read
};

class PlainFileReads {
  public:
    // `folders` opens the files on the calling thread and reports those that
    // cannot be opened; files up to `inline` bytes are held in memory.
    PlainFileReads(platform::FolderHandles& folders, std::uint64_t inlineBytes)
        : folders_(folders), inline_(inlineBytes) {}

    // Reads every file of `batch` into the first results of `out`, in order;
    // `out` is kept from batch to batch for its buffers.
    void Read(const std::vector<PlainToRead>& batch, std::vector<PlainRead>& out);

  private:
    bool ReadOne(const PlainToRead& file, platform::FolderHandles& folders, PlainRead& out) const;

    platform::FolderHandles& folders_;
    // The second thread's own: folder handles are not shared between threads.
    platform::FolderHandles second_;
    std::uint64_t inline_;
};

}  // namespace nebu
