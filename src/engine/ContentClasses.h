#pragma once
// Sorts the files of one size group into classes of identical bytes, reading
// every file about once, so that "are these two the same?" becomes a lookup
// instead of a fresh read of both files for every pair. Only bytes decide:
// hashes order and split the work but never make two files equal.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/FileIdentity.h"

namespace nebu {

class ContentClasses {
  public:
    // Classifies the files (duplicates in `paths` are ignored). A file that
    // cannot be read, or that changed while it was read, gets no class.
    void Build(const std::vector<std::string>& paths);
    // Places one more file among the classes already built: it joins the
    // class whose bytes it equals, or starts its own.
    void Add(const std::string& path);
    void Forget(const std::string& path);
    void Clear();

    bool Knows(const std::string& path) const { return members_.count(path) != 0; }
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
    struct Member {
        int cls = -1;
        platform::FileIdentity identity;
    };
    struct Class {
        // In the order they joined. Any member still as it was read stands
        // for the class: the first may be deleted while the group is under
        // way (a duplicate settled at once), and the class must stay
        // reachable through the others.
        std::vector<std::string> members;
    };
    struct Candidate {
        std::string path;
        int fd = -1;
        platform::FileIdentity identity;
        std::uint64_t key = 0;
    };

    void ClassifyBucket(std::vector<Candidate>& bucket);
    void ClassifyInStep(std::vector<Candidate>& files);
    void ClassifyAgainstRepresentatives(std::vector<Candidate>& files);
    int NewClass();
    void Assign(const Candidate& c, int cls);
    // Opens the first member of the class that is still as it was read and
    // gives its identity; -1 when none is left. Members found gone or
    // changed are dropped from the class's list on the way.
    int OpenMember(int cls, platform::FileIdentity& identity);
    // Hashes the first bytes of every class not yet indexed.
    void IndexPrefixes();

    char* StepBuffer(std::size_t size);

    std::unordered_map<std::string, Member> members_;
    std::unique_ptr<char[]> stepBuffer_;
    std::size_t stepBufferSize_ = 0;
    std::vector<Class> classes_;
    std::unordered_multimap<std::uint64_t, int> byPrefix_;
    std::size_t indexed_ = 0;
};

}  // namespace nebu
