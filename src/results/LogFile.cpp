#include "results/LogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Cp932.h"

namespace nebu {

bool AppendLogFileLine(const std::string& path, std::string_view line) {
    // Written through to the disk, so a crash later in the run keeps the lines
    // logged so far.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_DSYNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    // One write per line: the text and its line end arrive together.
    const std::string bytes = platform::Utf8ToCp932Lossy(line) + "\r\n";
    std::size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) ok = false;
    return ok;
}

}  // namespace nebu
