#pragma once
// Opening and reading files for byte comparison, shared by the pairwise
// comparison and the in-step classification.

#include <cstddef>
#include <cstdint>
#include <string>

namespace nebu::platform {

// Read-only, close-on-exec, never through a link. O_NONBLOCK keeps a path
// that became a FIFO after the scan from hanging the open; callers fstat and
// turn away everything but regular files. -1 on failure.
int OpenForReading(const std::string& path);
// The same for a path relative to an open folder (or AT_FDCWD). Paths of
// any length are opened.
int OpenForReadingAt(int dirFd, const char* path);
// Whether an open that failed with `error` means the file is no longer the
// one the scan found (gone, or a link or a special file in its place): a
// change since the scan, not a file that could not be read.
bool GoneSinceScan(int error);
// A folder of any path length, for opening its files relative to it; -1 on
// failure.
int OpenFolderForLookups(const std::string& path);

// Fills the buffer unless the file ends first (EINTR retried); -1 on a read
// error. A short count therefore always means end of file.
long ReadFull(int fd, char* buffer, std::size_t size);
// The same from `offset`, leaving the file position alone.
long ReadFullAt(int fd, char* buffer, std::size_t size, std::int64_t offset);

// Bytes read so far by this process through the reads above and the archive
// streams: one relaxed add per read call, so that a job's progress can follow
// its reading without the readers knowing of any job.
std::int64_t BytesReadSoFar();
void CountBytesRead(std::int64_t bytes);

}  // namespace nebu::platform
