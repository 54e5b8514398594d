#pragma once
// One archive read through libarchive, entry by entry, for the built-in
// archiver stand-ins. An archive may sit behind a stub (a self-extracting
// executable); it is found by its content, never its name.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/FileIdentity.h"

struct archive;

namespace nebu::platform {

struct LibArchive;

// Arc: 7z (solid or not), tar plain or compressed with gzip, bzip2, xz or
// zstd, and RAR 4 and 5, all read by one stand-in. A compressed or solid
// archive is decompressed from its start, so it is read through in order.
enum class ArchiveFormat { Lzh, Zip, Arc };

struct StoredEntry {
    enum Type { File, Directory, Other };  // Other: links, devices, unnamed entries
    std::string name;                      // UTF-8 (see DecodeStoredName); directories end in "/"
    std::uint64_t size = 0;                // unpacked size as the header declares it
    bool sizeKnown = false;
    Type type = Other;
};

class ArchiveStream {
  public:
    enum class Step { Entry, End, Error };

    // nullptr when the file cannot be read as an archive of this format.
    static std::unique_ptr<ArchiveStream> Open(const std::string& path, ArchiveFormat format);
    // True when the file holds an archive of this format, possibly behind a stub.
    static bool Recognises(const std::string& path, ArchiveFormat format);

    ~ArchiveStream();
    ArchiveStream(const ArchiveStream&) = delete;
    ArchiveStream& operator=(const ArchiveStream&) = delete;

    // The file being read, as it is now.
    std::optional<FileIdentity> Identity() const { return IdentityOfDescriptor(fd_); }

    Step Next(StoredEntry& entry);
    // Writes the data of the entry Next returned last into `fd`: exactly
    // `declared` bytes, or false (with a reason) when the data is unreadable,
    // shorter or longer. Never writes beyond `declared`.
    bool CopyData(int fd, std::uint64_t declared, std::string& error);
    // The same into memory.
    bool CopyData(std::string& out, std::uint64_t declared, std::string& error);

  private:
    struct Source;
    ArchiveStream(int fd, ArchiveFormat format);
    bool Start(std::uint64_t offset);
    bool CopyDataTo(std::uint64_t declared, std::string& error,
                    const std::function<bool(const char*, std::size_t)>& write);
    bool DataFailed(std::string& error);

    int fd_;
    ArchiveFormat format_;
    const LibArchive* api_ = nullptr;  // set once a reader is started
    std::unique_ptr<Source> source_;
    ::archive* reader_ = nullptr;
    std::optional<StoredEntry> pending_;  // the first entry, read while opening
    bool finished_ = false;
};

}  // namespace nebu::platform
