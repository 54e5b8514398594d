#include "platform/FileReading.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/PathOpen.h"

namespace nebu::platform {

int OpenForReading(const std::string& path) {
    return OpenForReadingAt(AT_FDCWD, path.c_str());
}

int OpenForReadingAt(int dirFd, const char* path) {
    constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    // A path too long for one call is reached folder by folder instead.
    if (std::strlen(path) >= PATH_MAX) return OpenPathAt(dirFd, path, kFlags);
    int fd;
    do {
        fd = ::openat(dirFd, path, kFlags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool GoneSinceScan(int error) {
    return error == ENOENT || error == ENOTDIR || error == ELOOP || error == ENXIO;
}

int OpenFolderForLookups(const std::string& path) {
    return OpenPath(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

namespace {

std::atomic<std::int64_t> g_bytesRead{0};

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
    CountBytesRead(static_cast<std::int64_t>(done));
    return static_cast<long>(done);
}

}  // namespace

std::int64_t BytesReadSoFar() {
    return g_bytesRead.load(std::memory_order_relaxed);
}

void CountBytesRead(std::int64_t bytes) {
    if (bytes > 0) g_bytesRead.fetch_add(bytes, std::memory_order_relaxed);
}

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

}  // namespace nebu::platform
