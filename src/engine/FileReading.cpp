#include "engine/FileReading.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace nebu {

int OpenForReading(const std::string& path) {
    return OpenForReadingAt(AT_FDCWD, path.c_str());
}

int OpenForReadingAt(int dirFd, const char* path) {
    int fd;
    do {
        fd = ::openat(dirFd, path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

namespace {

// Calls `readSome(buffer offset, bytes wanted)` until the buffer is full or
// the file ends; EINTR is retried, any other error gives -1.
template <typename ReadSome>
long FillBuffer(std::size_t size, ReadSome&& readSome) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = readSome(done, size - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long>(done);
}

}  // namespace

long ReadFull(int fd, char* buffer, std::size_t size) {
    return FillBuffer(
        size, [&](std::size_t done, std::size_t want) { return ::read(fd, buffer + done, want); });
}

long ReadFullAt(int fd, char* buffer, std::size_t size, std::int64_t offset) {
    return FillBuffer(size, [&](std::size_t done, std::size_t want) {
        return ::pread(fd, buffer + done, want,
                       static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    });
}

}  // namespace nebu
