#pragma once
#include <string>
#include <string_view>

namespace nebu::platform {

// Writes every byte (EINTR retried, short writes continued); false on error.
bool WriteAll(int fd, std::string_view bytes);

// Makes `bytes` the whole contents of the file `path` names, the way a user
// means it:
// - a symbolic link is followed to the file it names (even one not there
//   yet); the link stays and its target is replaced;
// - a FIFO or a character device (a pipe, a terminal, /dev/stdout) is
//   written to directly and never replaced;
// - a regular file is replaced only once the new contents are complete, by
//   a file beside it that keeps its permissions, so a failed write (full
//   disk, I/O error) leaves the old file as it was; one the user may not
//   write is refused although its folder would allow a new file there.
// Anything else (a folder, a socket, a block device) is refused. On failure
// returns false with the reason in `err` (an errno value).
bool ReplaceFileContents(const std::string& path, std::string_view bytes, int& err);

}  // namespace nebu::platform
