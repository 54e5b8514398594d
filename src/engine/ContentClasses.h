#pragma once
// Sorts the files of one size group into classes of identical bytes, reading
// every file about once, so that "are these two the same?" becomes a lookup
// instead of a fresh read of both files for every pair. Only bytes decide:
// hashes order and split the work but never make two files equal.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/FileIdentity.h"

namespace nebu {

class ContentClasses {
  public:
    // Hashes of the files' first bytes from an earlier pass (HeadPass), one
    // per path; none for a file that pass could not read as expected.
    using Heads = std::vector<std::optional<std::uint64_t>>;

    // Classifies the files (duplicates in `paths` are ignored). A file that
    // cannot be read, or that changed while it was read, gets no class.
    // With `heads`, a file whose head no other file shares gets a class of
    // its own without being opened; heads only ever keep files apart.
    void Build(std::vector<std::string> paths, const Heads* heads = nullptr);
    // The same for texts held elsewhere, which must stay where they are
    // until Clear: a size group can hold tens of thousands of files, and a
    // copy of every path would double what the lists hold.
    void Build(const std::vector<const std::string*>& paths, const Heads* heads = nullptr);
    // Places one more file among the classes already built: it joins the
    // class whose bytes it equals, or starts its own.
    void Add(const std::string& path);
    void Forget(const std::string& path);
    void Clear();
    ContentClasses() = default;
    ~ContentClasses();
    ContentClasses(const ContentClasses&) = delete;
    ContentClasses& operator=(const ContentClasses&) = delete;

    bool Knows(const std::string& path) const { return index_.count(path) != 0; }
    // True when both files are known and their bytes are identical; the same
    // file reached through two paths never counts.
    bool Same(const std::string& a, const std::string& b) const;
    // The file's class, or -1 when it has none (unknown or unreadable).
    int ClassOf(const std::string& path) const;
    // What the file looked like when it was read.
    std::optional<platform::FileIdentity> IdentityOf(const std::string& path) const;

    // Upper bound of files held open at once while reading in step.
    static constexpr std::size_t kBatch = 256;

  private:
    // The index and the classes refer to members by number.
    struct Member {
        const std::string* path;  // in owned_ or held by the caller of Build
        int cls = -1;
        platform::FileIdentity identity;
    };
    struct Class {
        // In the order they joined. Any member still as it was read stands
        // for the class: the first may be deleted while the group is under
        // way (a duplicate settled at once), and the class must stay
        // reachable through the others.
        std::vector<std::uint32_t> members;
    };
    struct OpenFile {
        std::uint32_t member;
        int fd;
    };
    struct Part;

    const Member* Find(const std::string& path) const;
    std::uint32_t NewMember(const std::string* path);
    void ClassifyMany(std::vector<std::uint32_t> all);
    void ClassifyBucket(const std::vector<std::uint32_t>& bucket);
    void ClassifyInStep(const std::vector<std::uint32_t>& files);
    void SplitInStep(std::vector<OpenFile> files);
    std::vector<std::vector<OpenFile>> SplitChunk(std::vector<OpenFile>& files, std::int64_t offset,
                                                  std::size_t want);
    void Finish(std::vector<OpenFile>& files);
    void ClassifyAgainstRepresentatives(const std::vector<std::uint32_t>& files);
    int NewClass();
    void Assign(std::uint32_t member, int cls);
    // Opens the first member of the class that is still as it was read and
    // gives its identity; -1 when none is left. Members found gone or
    // changed are dropped from the class's list on the way.
    int OpenMember(int cls, platform::FileIdentity& identity);
    // Hashes the first bytes of every class not yet indexed.
    void IndexPrefixes();

    char* StepBuffer();
    // Opens a member's file; below the group's common folder, relative to it.
    int OpenMemberFile(const std::string& path) const;
    // Opens a member's file and notes what it looks like; -1 when it cannot
    // be opened or is not a regular file.
    int OpenAndIdentify(std::uint32_t member);
    void OpenCommonFolder(const std::vector<Member>& members, std::size_t first);
    void CloseCommonFolder();

    std::vector<Member> members_;
    // The paths given as texts to keep; a deque, so that they never move.
    std::deque<std::string> owned_;
    std::unordered_map<std::string_view, std::uint32_t> index_;
    std::unique_ptr<char[]> stepBuffer_;
    std::vector<Class> classes_;
    std::unordered_multimap<std::uint64_t, int> byPrefix_;
    std::size_t indexed_ = 0;
    // The deepest folder holding every file given to Build, kept open so
    // that the kernel walks only the rest of each path when opening it.
    std::string commonFolder_;
    int commonFolderFd_ = -1;
};

}  // namespace nebu
