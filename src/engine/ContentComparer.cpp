// Byte comparison of two files, and the identities it leaves behind for the
// check made just before a duplicate is deleted; the classes of a size group.

#include "engine/ContentComparer.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <optional>

#include "platform/FileReading.h"
#include "platform/UniqueFd.h"
#include "platform/WorkFiles.h"

namespace nebu {

ContentComparer::ContentComparer(RunFailures& failures, ComparedIdentities& identities)
    : failures_(failures), identities_(identities) {
    folders_.OnOpenFailed(
        [this](const std::string& path, int error) { NoteUnreadable(path, error); });
}

namespace {

constexpr std::size_t kFirstChunk = 1024;
constexpr std::size_t kLastChunk = 65536;

// One comparison runs at a time (the worker's), so the two read buffers are
// shared by the whole process and never allocated per comparison.
alignas(64) char g_buffer1[kLastChunk];
alignas(64) char g_buffer2[kLastChunk];

}  // namespace

bool ContentComparer::CompareContents(const std::string& path1, const std::string& path2) {
    platform::UniqueFd file1(platform::OpenForReading(path1));
    if (!file1.valid()) return NoteUnreadable(path1, errno);
    platform::UniqueFd file2(platform::OpenForReading(path2));
    if (!file2.valid()) return NoteUnreadable(path2, errno);

    const std::optional<platform::FileIdentity> before1 =
        platform::IdentityOfDescriptor(file1.get());
    const std::optional<platform::FileIdentity> before2 =
        platform::IdentityOfDescriptor(file2.get());
    if (!before1 || !before2) return false;
    // Two names of one file (hard link, bind mount, a folder under two
    // names): "equal" here would let the only copy be deleted.
    if (before1->SameFileAs(*before2)) return false;
    if (before1->size != before2->size) return false;

    platform::AdviseSequential(file1.get());
    platform::AdviseSequential(file2.get());

    // A difference in the first kilobyte costs one small read; long equal
    // files are read in 64 KiB chunks.
    std::size_t chunk = kFirstChunk;
    for (;;) {
        const long count1 = platform::ReadFull(file1.get(), g_buffer1, chunk);
        if (count1 < 0) return NoteUnreadable(path1, errno);
        const long count2 = platform::ReadFull(file2.get(), g_buffer2, chunk);
        if (count2 < 0) return NoteUnreadable(path2, errno);
        // Both files must end together: a file that grew or shrank since the
        // scan is different, whichever side it is on.
        if (count1 != count2) return false;
        if (std::memcmp(g_buffer1, g_buffer2, static_cast<std::size_t>(count1)) != 0) {
            return false;
        }
        if (static_cast<std::size_t>(count1) < chunk) break;
        if (chunk < kLastChunk) chunk = std::min(chunk * 4, kLastChunk);
    }

    // A file written to while it was read may have been compared half old,
    // half new; such a pair is not trusted.
    const std::optional<platform::FileIdentity> after1 =
        platform::IdentityOfDescriptor(file1.get());
    const std::optional<platform::FileIdentity> after2 =
        platform::IdentityOfDescriptor(file2.get());
    if (after1 != before1 || after2 != before2) return false;

    identities_.Remember(path1, *after1);
    identities_.Remember(path2, *after2);
    return true;
}

bool ContentComparer::SameContents(const std::string& path1, const std::string& path2) {
    if (path1 == path2) return false;
    if (classes_.Knows(path1) && classes_.Knows(path2)) {
        if (!classes_.Same(path1, path2)) return false;
        identities_.Remember(path1, *classes_.IdentityOf(path1));
        identities_.Remember(path2, *classes_.IdentityOf(path2));
        return true;
    }
    return CompareContents(path1, path2);
}

bool ContentComparer::NoteUnreadable(const std::string& path, int error) {
    if (!platform::GoneSinceScan(error)) failures_.Note(FailureKind::FileUnreadable, path, error);
    return false;
}

void ContentComparer::NoteIfUnreadable(const std::string& path) {
    const platform::UniqueFd fd(platform::OpenForReading(path));
    if (!fd.valid()) NoteUnreadable(path, errno);
}

void ContentComparer::NoteUnclassified(const std::vector<const std::string*>& paths) {
    // A file without a class meets no partner at all; most often it changed
    // while it was read, which is no failure, so the reason is asked again.
    for (const std::string* path : paths) {
        if (classes_.ClassOf(*path) < 0) NoteIfUnreadable(*path);
    }
}

void ContentComparer::PrepareGroup(std::vector<std::string> paths,
                                   const ContentClasses::Heads* heads) {
    EndGroup();
    groupActive_ = true;
    std::vector<const std::string*> given;
    given.reserve(paths.size());
    for (const std::string& path : paths) given.push_back(&path);
    classes_.Build(paths, heads);
    NoteUnclassified(given);
}

void ContentComparer::PrepareGroup(const std::vector<const std::string*>& paths,
                                   const ContentClasses::Heads* heads) {
    EndGroup();
    groupActive_ = true;
    classes_.Build(paths, heads);
    NoteUnclassified(paths);
}

void ContentComparer::AddToGroup(const std::string& path) {
    classes_.Add(path);
}

void ContentComparer::EndGroup() {
    groupActive_ = false;
    classes_.Clear();
    if (OnGroupEnd) OnGroupEnd();
}

}  // namespace nebu
