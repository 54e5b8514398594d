#include "report/LogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Cp932.h"
#include "platform/FileWriting.h"

namespace nebu {

bool AppendLogFileLine(const std::string& path, std::string_view line) {
    // Opened and closed for every line, so the file is whole whenever the
    // program stops.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    // One write per line: the text and its line end arrive together.
    const std::string bytes = platform::Utf8ToCp932Lossy(line) + "\r\n";
    bool ok = platform::WriteAll(fd, bytes);
    if (::close(fd) != 0) ok = false;
    return ok;
}

}  // namespace nebu
