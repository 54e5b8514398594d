// One archive entry at a time is extracted into a private work folder, so
// that it can be compared like a plain file and deleted right after.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string_view>

#include "engine/NebuFileFunc.h"
#include "engine/NebuRecords.h"

namespace nebu {

namespace {

constexpr std::size_t kOutputSize = 65536;
// The libraries' report of each command; nobody reads it, but every command
// gets one, and one process-wide buffer serves them all.
char g_output[kOutputSize];

constexpr int kSlotCount = 3;

// A path that holds a blank travels in double quotes, so the library's
// parser sees it as one argument.
std::string CommandLinePath(const std::string& path) {
    if (path.find_first_of(" \t") == std::string::npos) return path;
    return "\"" + path + "\"";
}

std::string JoinFolder(const std::string& folder, const char* name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool IsDotOrDotDot(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Only a folder named like the ones this program makes ("nb0XXXX.tmp") is
// ever emptied: a slot that pointed anywhere else by mistake must not cost
// the user a file.
bool LooksLikeWorkFolder(const std::string& folder) {
    std::string_view path = folder;
    while (!path.empty() && path.back() == '/') path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return name.size() > 6 && name.substr(0, 2) == "nb" && name.substr(name.size() - 4) == ".tmp";
}

// Whatever an earlier extraction left in the folder (a file its caller could
// not delete, the partial output of a failed command) must never be taken
// for the entry extracted now.
void EmptyWorkFolder(const std::string& folder) {
    if (!LooksLikeWorkFolder(folder)) return;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name)) continue;
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) continue;
        ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace

std::string TNebuFileFunc::ExtractEntry(const std::string& archivePath,
                                        const std::string& entryName, int slot, std::uint8_t kind) {
    const bool lzh = kind == kKindLzh;
    if (!groupActive_) {
        return lzh ? ExtractLzhEntry(archivePath, entryName, slot)
                   : ExtractZipEntry(archivePath, entryName, slot);
    }
    const std::string key = std::string(lzh ? "L" : "Z") + archivePath + '\0' + entryName;
    std::string path = CachedExtraction(key);
    if (path.empty()) {
        path = lzh ? ExtractLzhEntry(archivePath, entryName, slot)
                   : ExtractZipEntry(archivePath, entryName, slot);
        if (path.empty()) return path;  // a failure is asked about again next time
        path = KeepExtraction(key, path);
    }
    classes_.Add(path);
    return path;
}

std::string TNebuFileFunc::CachedExtraction(const std::string& key) const {
    const auto it = extractionCache_.find(key);
    return it == extractionCache_.end() ? std::string() : it->second;
}

std::string TNebuFileFunc::KeepExtraction(const std::string& key, const std::string& extracted) {
    constexpr std::size_t kMaxFiles = 1024;
    constexpr std::uint64_t kMaxBytes = 256ull << 20;
    struct stat st;
    if (::lstat(extracted.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return extracted;
    if (extractionCache_.size() >= kMaxFiles ||
        cacheBytes_ + static_cast<std::uint64_t>(st.st_size) > kMaxBytes || TempDir[0].empty()) {
        return extracted;  // full: this one goes the plain way, deleted after use
    }
    if (cacheFolder_.empty()) {
        const std::string folder = JoinFolder(TempDir[0], "cache");
        if (::mkdir(folder.c_str(), 0700) != 0) return extracted;
        cacheFolder_ = folder;
    }
    const std::string kept = JoinFolder(cacheFolder_, std::to_string(++cacheSerial_).c_str());
    if (::rename(extracted.c_str(), kept.c_str()) != 0) return extracted;
    classes_.Forget(extracted);
    extractionCache_.emplace(key, kept);
    cacheBytes_ += static_cast<std::uint64_t>(st.st_size);
    return kept;
}

void TNebuFileFunc::DropExtractionCache() {
    for (const auto& [key, path] : extractionCache_) ::unlink(path.c_str());
    extractionCache_.clear();
    cacheBytes_ = 0;
}

void TNebuFileFunc::RemoveExtractionCacheFolder() {
    DropExtractionCache();
    // Kept from group to group: making and removing a folder per group costs
    // more than the comparisons on a slow disk.
    if (!cacheFolder_.empty()) ::rmdir(cacheFolder_.c_str());
    cacheFolder_.clear();
}

bool TNebuFileFunc::IsCachedExtraction(const std::string& path) const {
    return !cacheFolder_.empty() && path.size() > cacheFolder_.size() &&
           path.compare(0, cacheFolder_.size(), cacheFolder_) == 0 &&
           path[cacheFolder_.size()] == '/';
}

std::string TNebuFileFunc::ExtractLzhEntry(const std::string& archivePath,
                                           const std::string& entryName, int slot) {
    return ExtractWith(lzh_, true, archivePath, entryName, slot);
}

std::string TNebuFileFunc::ExtractZipEntry(const std::string& archivePath,
                                           const std::string& entryName, int slot) {
    return ExtractWith(zip_, false, archivePath, entryName, slot);
}

std::string TNebuFileFunc::ExtractWith(ArchiverLibrary& library, bool lzh,
                                       const std::string& archivePath, const std::string& entryName,
                                       int slot) {
    if (entryName.empty()) return "";
    if (slot < 0 || slot >= kSlotCount || TempDir[slot].empty()) return "";
    if (!library.Ready() || library.Command == nullptr) return "";
    const std::string& folder = TempDir[slot];

    EmptyWorkFolder(folder);

    // The archive is the copy that is kept when a duplicate of one of its
    // entries is deleted; remember it as it was before it was read, so that a
    // change made from now on stops that deletion.
    if (const std::optional<platform::FileIdentity> archive =
            platform::IdentityOfPath(archivePath)) {
        RememberIdentity(archivePath, *archive);
    } else {
        compared_.erase(archivePath);
    }

    std::string command = lzh ? "e -m -n -gm -p " : "-x -j --i ";
    command += CommandLinePath(archivePath);
    command += ' ';
    command += CommandLinePath(folder);
    command += " \"";
    command += entryName;
    command += '"';

    const int result = library.Command(nullptr, command.c_str(), g_output,
                                       static_cast<std::uint32_t>(kOutputSize));
    if (result != 0) {
        const std::string question = "圧縮ファイル｢" + archivePath +
                                     "｣の解凍にしっぱいしちゃった。" + "\n" + "作業を続けますか?";
        if (Ask(question, MsgButtons::YesNo) == MsgAnswer::No) Stop = 1;
        // What a failed command left behind (a truncated or corrupt file)
        // says nothing about the archive; comparing it could "find" a
        // duplicate that does not exist and delete it.
        EmptyWorkFolder(folder);
        return "";
    }
    return TakeExtractedFile(slot);
}

std::string TNebuFileFunc::TakeExtractedFile(int slot) {
    if (slot < 0 || slot >= kSlotCount || TempDir[slot].empty()) return "";
    const std::string& folder = TempDir[slot];
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return "";
    const int dirFd = ::dirfd(dir);
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name)) continue;
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode)) continue;
        // An entry stored read-only must still be readable here and
        // deletable by the caller afterwards.
        ::fchmodat(dirFd, entry->d_name, (st.st_mode & 07777) | S_IRUSR | S_IWUSR, 0);
        found = JoinFolder(folder, entry->d_name);
        break;
    }
    ::closedir(dir);
    return found;
}

void TNebuFileFunc::DeleteExtracted(const std::string& path) {
    if (path.empty()) return;
    // Kept for the rest of the group; the group's end removes it.
    if (IsCachedExtraction(path)) return;
    // The next entry extracted may take the same name.
    classes_.Forget(path);
    ::unlink(path.c_str());
}

}  // namespace nebu
