// The freedesktop.org trash: files of the home volume go to the home trash,
// files of other volumes to that volume's own trash, never across volumes.

#include "platform/Trash.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "platform/TrashFolders.h"

namespace nebu::platform {

namespace trash {

namespace {

constexpr std::string_view kInfoSuffix = ".trashinfo";
// NAME.trashinfo must still fit in one directory entry.
constexpr std::size_t kMaxTrashName = 255 - kInfoSuffix.size();
constexpr int kMaxNameTries = 10000;

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool IsRealDirectory(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A trash folder that is a link, or someone else's, could send the user's
// files where others can read them.
bool IsOwnRealDirectory(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

void MakeDirectory(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
}

// mkdir -p; the home trash may be a link the user made on purpose, so only
// the end result must be a folder.
bool MakeDirectories(const std::string& path) {
    for (std::size_t pos = path.find('/', 1); pos != std::string::npos;
         pos = path.find('/', pos + 1)) {
        MakeDirectory(path.substr(0, pos));
    }
    MakeDirectory(path);
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry;
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return "";
}

// Drops whole UTF-8 characters from the end until `text` fits in `limit`.
std::string FitBytes(std::string text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

// try 1: the name itself; later tries: "stem.N.ext".
std::string CandidateName(const std::string& name, int attempt) {
    if (attempt == 1 && name.size() <= kMaxTrashName) return name;
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot != 0;
    const std::string extension = hasExtension ? name.substr(dot) : "";
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string number = attempt == 1 ? "" : "." + std::to_string(attempt);
    const std::size_t tail = number.size() + extension.size();
    if (tail >= kMaxTrashName) return "";
    return FitBytes(stem, kMaxTrashName - tail) + number + extension;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// rename() replaces silently; a file already in the trash must survive.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without RENAME_NOREPLACE: the target was checked free
    // just before.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where `path` (absolute) is or would be once made: the canonical form of
// its nearest existing folder, with the rest of it appended.
std::string WhereItWouldBe(const std::string& path) {
    std::string head = path;
    std::string tail;
    for (;;) {
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(head.c_str(), nullptr),
                                                         &std::free);
        if (real) {
            const std::string base = real.get();
            return (base == "/" && !tail.empty() ? "" : base) + tail;
        }
        const std::size_t slash = head.rfind('/');
        if (slash == std::string::npos || head.size() <= 1) return path;
        tail = head.substr(slash) + tail;
        head = slash == 0 ? "/" : head.substr(0, slash);
    }
}

}  // namespace

std::string EscapePath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c) || c == '/') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string DeletionDate(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::string HomeTrash() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') return std::string(dataHome) + "/Trash";
    const std::string home = HomeFolder();
    if (home.empty()) return "";
    return (home == "/" ? "" : home) + "/.local/share/Trash";
}

std::vector<std::string> MountPoints(std::string_view mountinfo) {
    std::vector<std::string> points;
    while (!mountinfo.empty()) {
        const std::size_t end = std::min(mountinfo.find('\n'), mountinfo.size());
        std::string_view line = mountinfo.substr(0, end);
        mountinfo.remove_prefix(std::min(end + 1, mountinfo.size()));
        // Mount id, parent id, device, root, then the mount point.
        for (int field = 0; field < 4 && !line.empty(); ++field) {
            const std::size_t blank = line.find(' ');
            line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        }
        const std::string_view escaped = line.substr(0, line.find(' '));
        if (escaped.empty() || escaped[0] != '/') continue;
        // Blanks, tabs, line breaks and backslashes come as \\ooo.
        const auto octal = [](char c) { return c >= '0' && c <= '7'; };
        std::string point;
        for (std::size_t i = 0; i < escaped.size(); ++i) {
            if (escaped[i] == '\\' && i + 3 < escaped.size() && octal(escaped[i + 1]) &&
                octal(escaped[i + 2]) && octal(escaped[i + 3])) {
                point += static_cast<char>(((escaped[i + 1] - '0') << 6) |
                                           ((escaped[i + 2] - '0') << 3) | (escaped[i + 3] - '0'));
                i += 3;
            } else {
                point += escaped[i];
            }
        }
        points.push_back(std::move(point));
    }
    return points;
}

std::string ReadMountInfo() {
    std::ifstream in("/proc/self/mountinfo", std::ios::binary);
    if (!in) return "";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string MountPointOf(const std::string& path, const std::vector<std::string>& points) {
    std::string best;
    bool found = false;
    for (const std::string& point : points) {
        const bool above = point == "/" || path == point ||
                           (path.size() > point.size() &&
                            path.compare(0, point.size(), point) == 0 && path[point.size()] == '/');
        if (above && (!found || point.size() >= best.size())) {
            best = point;
            found = true;
        }
    }
    return best;
}

std::string DeviceTopOf(const std::string& dir) {
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0) return "/";
    std::string current = dir;
    while (current != "/") {
        const std::size_t slash = current.rfind('/');
        const std::string parent = slash == 0 ? "/" : current.substr(0, slash);
        struct stat up;
        if (::stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev) return current;
        current = parent;
    }
    return current;
}

std::string VolumeTrash(const std::string& topdir) {
    const std::string base = topdir == "/" ? "" : topdir;
    const std::string uid = std::to_string(::getuid());

    const std::string shared = base + "/.Trash";
    struct stat st;
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const std::string mine = shared + "/" + uid;
        MakeDirectory(mine);
        if (IsOwnRealDirectory(mine)) return mine;
    }
    const std::string own = base + "/.Trash-" + uid;
    MakeDirectory(own);
    if (IsOwnRealDirectory(own)) return own;
    return "";
}

bool MoveInto(const std::string& trashDir, const std::string& path, const std::string& infoPath,
              int* error, TrashPlace* place) {
    int dummy = 0;
    int& err = error != nullptr ? *error : dummy;
    err = 0;
    const std::string filesDir = trashDir + "/files";
    const std::string infoDir = trashDir + "/info";
    MakeDirectory(filesDir);
    MakeDirectory(infoDir);
    if (!IsRealDirectory(filesDir) || !IsRealDirectory(infoDir)) {
        err = ENOTDIR;
        return false;
    }

    const std::string name = BaseName(path);
    const std::string text = "[Trash Info]\nPath=" + EscapePath(infoPath) +
                             "\nDeletionDate=" + DeletionDate(std::time(nullptr)) + "\n";
    for (int attempt = 1; attempt <= kMaxNameTries; ++attempt) {
        const std::string candidate = CandidateName(name, attempt);
        if (candidate.empty()) break;
        // The .trashinfo comes first and exclusively: it claims NAME against
        // any other program trashing at the same moment.
        const std::string infoFile = infoDir + "/" + candidate + std::string(kInfoSuffix);
        const int fd =
            ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            err = errno;
            return false;
        }
        const bool written = WriteAll(fd, text);
        const int writeErrno = errno;
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            err = written ? EIO : writeErrno;
            ::unlink(infoFile.c_str());
            return false;
        }
        const std::string target = filesDir + "/" + candidate;
        struct stat st;
        const int renamed =
            ::lstat(target.c_str(), &st) == 0 ? EEXIST : RenameNoReplace(path, target);
        if (renamed == 0) {
            if (place != nullptr) *place = {target, infoFile};
            return true;
        }
        ::unlink(infoFile.c_str());
        if (renamed == EEXIST) continue;  // a file without its .trashinfo holds NAME
        err = renamed;
        return false;
    }
    err = EEXIST;
    return false;
}

}  // namespace trash

bool MoveToTrash(const std::string& path, std::string_view mountinfo, TrashPlace* place) {
    if (path.empty() || path.back() == '/') return false;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return false;

    const std::size_t slash = path.rfind('/');
    const std::string parent =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name == "." || name == "..") return false;
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(parent.c_str(), nullptr),
                                                     &std::free);
    if (!real) return false;
    const std::string dir = real.get();
    const std::string absolute = (dir == "/" ? "" : dir) + "/" + name;

    // The mount the file is reached through; without a mount table, the
    // top of its device, which is all that is known then.
    const std::vector<std::string> points = trash::MountPoints(mountinfo);
    const auto mountOf = [&](const std::string& at) {
        return points.empty() ? trash::DeviceTopOf(at) : trash::MountPointOf(at, points);
    };
    const std::string top = mountOf(dir);
    if (top.empty()) return false;

    int error = 0;
    // The home trash is made only for a file it is to take.
    const std::string home = trash::HomeTrash();
    if (!home.empty() && mountOf(trash::WhereItWouldBe(home)) == top) {
        if (trash::MakeDirectories(home)) {
            if (trash::MoveInto(home, absolute, absolute, &error, place)) return true;
            // The table may be out of date by now: the mount's own trash may
            // still take it. Any other failure is final.
            if (error != EXDEV) return false;
        }
    }

    // Made at the top of that mount, never above it: a folder there would
    // be on another mount, and the move a copy.
    const std::string volume = trash::VolumeTrash(top);
    if (volume.empty()) return false;
    const std::string relative = absolute.substr(top == "/" ? 1 : top.size() + 1);
    return trash::MoveInto(volume, absolute, relative, &error, place);
}

bool MoveToTrash(const std::string& path, TrashPlace* place) {
    return MoveToTrash(path, trash::ReadMountInfo(), place);
}

PutBack PutBackFromTrash(const TrashPlace& place, const std::string& original, int* error) {
    int dummy = 0;
    int& err = error != nullptr ? *error : dummy;
    err = 0;
    struct stat st;
    if (place.file.empty() || ::lstat(place.file.c_str(), &st) != 0) {
        err = errno;
        return PutBack::TrashCopyGone;
    }
    if (::lstat(original.c_str(), &st) == 0) return PutBack::OriginalTaken;
    // Emptied folders may have been removed after the deletion.
    const std::size_t slash = original.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        const std::string parent = original.substr(0, slash);
        for (std::size_t pos = parent.find('/', 1); pos != std::string::npos;
             pos = parent.find('/', pos + 1)) {
            ::mkdir(parent.substr(0, pos).c_str(), 0777);
        }
        ::mkdir(parent.c_str(), 0777);
    }
    const int renamed = trash::RenameNoReplace(place.file, original);
    if (renamed == EEXIST) return PutBack::OriginalTaken;
    if (renamed != 0) {
        err = renamed;
        return renamed == ENOENT && ::lstat(place.file.c_str(), &st) != 0 ? PutBack::TrashCopyGone
                                                                          : PutBack::Failed;
    }
    if (!place.info.empty()) ::unlink(place.info.c_str());
    return PutBack::Done;
}

}  // namespace nebu::platform
