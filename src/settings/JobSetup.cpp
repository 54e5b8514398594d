#include "settings/JobSetup.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "engine/Nebu.h"
#include "platform/PathText.h"
#include "settings/MaskText.h"
#include "settings/Reactions.h"

namespace nebu {

namespace {

constexpr std::int64_t kSizeLimitOff = 999999999;

// Directory texts handed to the job end in a separator; the root and an
// empty text stay as they are.
std::string JobDirectory(const std::string& dir) {
    return dir.empty() ? dir : platform::WithTrailingSeparator(dir);
}

// Fills one side's directory list; false when the side has no directory.
bool SetDirectories(const SideSettings& side, TDirList& dirs) {
    dirs.Clear();
    if (side.DirListShown) {
        for (const std::string& entry : side.DirListText) dirs.Add(JobDirectory(entry));
        return true;
    }
    if (side.DirectoryListBox.empty()) return false;
    dirs.Add(JobDirectory(side.DirectoryListBox));
    return true;
}

std::string IgnoreMask(const std::string& field) {
    std::string mask = NormalizeMask(field);
    return mask == "*;" ? std::string() : mask;
}

}  // namespace

std::int64_t ReadSizeText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Saturates instead of wrapping, so a long digit run never turns into a
    // small or negative limit.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

std::optional<std::string> ApplyToJob(const WindowSettings& settings, TNebu& job) {
    const SideSettings& src = settings.Side(1);
    const SideSettings& dst = settings.Side(2);
    job.SrcSubDir = src.SubDirChk;
    job.DstSubDir = dst.SubDirChk;
    job.SrcLzh = src.LzhChk;
    job.DstLzh = dst.LzhChk;
    job.SrcZip = src.ZipChk;
    job.DstZip = dst.ZipChk;
    job.SrcArc = src.ArcChk;
    job.DstArc = dst.ArcChk;
    job.NoDelete = settings.NoDelChk;
    job.DelConfirm = settings.DelChk;
    job.DelEmptyDirs = settings.CheckDelDir;
    job.ToRecycleBin = settings.CheckTrash;
    job.ArcByEntry = settings.ArcAllChk;
    job.SrcWithFiles = src.WithFilesChk;
    job.DstWithFiles = dst.WithFilesChk;
    // The desktop window keeps the job's attribute current as the boxes
    // change; a job set up from values alone takes it here.
    job.SearchAttr = settings.SearchAttr;

    if (settings.SizeBox1) {
        const std::int64_t min = ReadSizeText(settings.SizeMin);
        const std::int64_t max = ReadSizeText(settings.SizeMax);
        if (min > max) return std::string(kSizeRangeMessage);
        job.SizeMin = min;
        job.SizeMax = max;
    } else {
        job.SizeMin = 0;
        job.SizeMax = kSizeLimitOff;
    }

    if (!SetDirectories(src, job.SrcDirs)) return std::string(kNoSourceDirMessage);
    if (!SetDirectories(dst, job.DstDirs)) return std::string(kNoTargetDirMessage);

    job.SrcMask = NormalizeMask(src.Fmask);
    job.DstMask = NormalizeMask(dst.Fmask);
    job.SrcIgnore = IgnoreMask(src.noFmask);
    job.DstIgnore = IgnoreMask(dst.noFmask);
    // Kept apart: the mask fields of such a side select its plain files.
    job.SrcArcMask =
        NormalizeMask(ArchiveMaskText(src.LzhChk, src.ZipChk, src.ArcChk, settings.ArcExeChk));
    job.DstArcMask =
        NormalizeMask(ArchiveMaskText(dst.LzhChk, dst.ZipChk, dst.ArcChk, settings.ArcExeChk));
    return std::nullopt;
}

namespace {

bool PassAllowsActions(bool srcArchives, bool dstArchives, bool arcAll) {
    return !dstArchives || (srcArchives && !arcAll);
}

}  // namespace

bool ResultActionsAllowed(const WindowSettings& settings) {
    const SideSettings& src = settings.Side(1);
    const SideSettings& dst = settings.Side(2);
    const bool srcArchives = src.LzhChk || src.ZipChk || src.ArcChk;
    const bool dstArchives = dst.LzhChk || dst.ZipChk || dst.ArcChk;
    // A side with its plain files too adds a pass without its archives; the
    // rows of every pass must allow the actions.
    const bool srcPlainToo = srcArchives && src.WithFilesChk;
    const bool dstPlainToo = dstArchives && dst.WithFilesChk;
    const bool plainPass = !(srcPlainToo || dstPlainToo) ||
                           PassAllowsActions(srcArchives && !srcPlainToo,
                                             dstArchives && !dstPlainToo, settings.ArcAllChk);
    return plainPass && PassAllowsActions(srcArchives, dstArchives, settings.ArcAllChk);
}

std::string ExecutablePath() {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string LogNameBeside(std::string_view executablePath) {
    const std::size_t sep = platform::LastSeparator(executablePath);
    const std::size_t nameStart = sep == std::string_view::npos ? 0 : sep + 1;
    const std::string_view name = executablePath.substr(nameStart);
    std::string log(executablePath);
    if (name.size() > 4 && name[name.size() - 4] == '.') log.resize(log.size() - 4);
    return log + ".log";
}

std::string StateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return platform::WithTrailingSeparator(state) + "nebu/";
    }
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && env[0] == '/') {
        home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        home = pw->pw_dir;
    }
    if (home.empty()) return {};
    return platform::WithTrailingSeparator(home) + ".local/state/nebu/";
}

namespace {

// A folder of the user's own: owned by them and writable. Root owns every
// system folder (/usr/bin, /opt/...), so for root no folder counts.
bool FolderOfTheUsersOwn(const std::string& folder) {
    struct stat st;
    const uid_t user = ::geteuid();
    return user != 0 && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == user && ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

std::string LogPathFor(std::string_view executablePath, const std::string& stateFolder) {
    const std::string beside = LogNameBeside(executablePath.empty() ? "nebu" : executablePath);
    const std::size_t sep = platform::LastSeparator(beside);
    const std::string folder = sep == std::string::npos ? "." : beside.substr(0, sep + 1);
    if (!executablePath.empty() && FolderOfTheUsersOwn(folder)) return beside;
    // Without a state folder there is no place of the user's for it.
    if (stateFolder.empty()) return {};
    std::error_code ec;
    std::filesystem::create_directories(stateFolder, ec);
    const std::string name = sep == std::string::npos ? beside : beside.substr(sep + 1);
    return platform::WithTrailingSeparator(stateFolder) + name;
}

std::string LogPathForJob(const WindowSettings& settings) {
    if (!settings.CheckLog) return {};
    return LogPathFor(ExecutablePath(), StateFolder());
}

}  // namespace nebu
