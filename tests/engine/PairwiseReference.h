#pragma once
// The grouping as first described, with nothing clever in it: every source
// record of a size group meets every target record, two files are read
// whole and compared byte for byte, archive entries are read straight out of
// the archive with libarchive. It finds every pair and marks every record
// that has a partner; it deletes nothing and asks nothing. What a run
// deletes is judged on its own, from the files' contents and identities.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/SamePair.h"

namespace nebu::test {

struct RefRecord {
    std::string path;   // the file, or the archive of an entry
    std::string entry;  // entry name; empty for a plain file
    bool matched = false;
    bool alive = true;
};

struct RefGroup {
    std::int64_t size = 0;
    std::vector<RefRecord> files;  // in walk order
};

using RefList = std::vector<RefGroup>;

struct RefOutcome {
    // Every pair found, in the order they are listed when nothing is
    // deleted, with the same-line logged for each.
    std::vector<SamePairRec> pairs;
    std::vector<std::string> log;
};

std::string SameLine(const std::string& a, const std::string& b);

class PairwiseReference {
  public:
    // Plain files against plain files.
    void ComparePlain(RefList& src, RefList& dst);
    // Entries of source ZIP archives against plain target files.
    void CompareSourceArchives(RefList& src, RefList& dst);

    const RefOutcome& Outcome() const { return out_; }

  private:
    struct Bytes {
        std::string data;
        dev_t device = 0;
        ino_t inode = 0;
    };

    template <typename GroupFn>
    void WalkGroups(RefList& src, RefList& dst, GroupFn&& group);
    void PlainGroup(RefGroup& s, RefGroup& t);
    void SourceArchiveGroup(RefGroup& s, RefGroup& t);

    const std::optional<Bytes>& Read(const std::string& path);
    bool SameFiles(const std::string& a, const std::string& b);
    std::optional<std::string> Extract(const std::string& archive, const std::string& entry);

    RefOutcome out_;
    std::map<std::string, std::optional<Bytes>> files_;
    std::map<std::string, std::optional<std::map<std::string, std::string>>> archives_;
};

}  // namespace nebu::test
