#pragma once
// Shared by the archive-listing fuzz targets: the input becomes an archive
// file (in memory, reached by a path) that the built-in library lists,
// recognises and extracts every entry of, into nowhere.

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ArchiveStream.h"
#include "platform/BuiltinArchiver.h"

namespace nebu::fuzz {

inline void ListArchiveBytes(const std::uint8_t* data, std::size_t size,
                             platform::ArchiveFormat format) {
    using namespace nebu::platform;
    static const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const int fd = ::memfd_create("archive", MFD_CLOEXEC);
    if (fd < 0) return;
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    builtin::CheckArchive(format, path.c_str(), 0);
    if (HARC archive = builtin::OpenArchive(format, path.c_str(), kOpenNoErrorMessages)) {
        IndividualInfo info;
        for (int rc = builtin::FindFirst(format, archive, "*.*", &info); rc == 0;
             rc = builtin::FindNext(format, archive, &info)) {
        }
        builtin::CloseArchive(format, archive);
    }
    // Every entry's data, as an extraction reads it; the declared size bounds
    // what may be written.
    if (auto stream = ArchiveStream::Open(path, format)) {
        StoredEntry entry;
        while (stream->Next(entry) == ArchiveStream::Step::Entry) {
            if (entry.type != StoredEntry::File || !entry.sizeKnown) continue;
            // Small entries into memory, as the comparison holds them; the
            // rest into a file.
            std::string error;
            std::string bytes;
            const bool copied = entry.size <= (64u << 10)
                                    ? stream->CopyData(bytes, entry.size, error)
                                    : stream->CopyData(sink, entry.size, error);
            if (!copied) break;
        }
    }
    ::close(fd);
}

}  // namespace nebu::fuzz
