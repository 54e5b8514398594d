#pragma once
// The comparison as first described, with nothing clever in it: every
// source record of a size group meets every target record, two files are
// read whole and compared byte for byte, archive entries are read straight
// out of the archive with libarchive. The engine must come to exactly the
// same log, pairs, questions, deletions and marks.

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/NebuHost.h"
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

struct RefSettings {
    bool noDelete = true;
    bool delConfirm = false;
};

// The answers, consumed exactly as the scripted host consumes them.
struct RefAnswers {
    std::deque<MsgAnswer> messages;
    std::deque<DelAnswer> choices;
};

struct RefOutcome {
    std::vector<std::string> log;  // the lines of the comparison itself
    std::vector<SamePairRec> pairs;
    std::vector<std::string> questions;  // QuestionText / ChoiceText
    bool stopped = false;
};

// How a question is recorded, by the reference and by the engine's host.
std::string QuestionText(const std::string& text, MsgButtons buttons);
std::string ChoiceText(const DeleteChoice& choice);

class PairwiseReference {
  public:
    PairwiseReference(RefSettings settings, RefAnswers answers)
        : settings_(settings), answers_(std::move(answers)) {}

    // Plain files against plain files.
    void ComparePlain(RefList& src, RefList& dst);
    // Entries of source ZIP archives against plain target files.
    void CompareSourceArchives(RefList& src, RefList& dst);

    RefOutcome& Outcome() { return out_; }

  private:
    struct Bytes {
        std::string data;
        dev_t device = 0;
        ino_t inode = 0;
    };
    struct Pair {
        SamePairRec rec;
        bool active = true;
    };
    // The paths of the group under way, each with a number: pairs and
    // contents are looked up by number, which is the same as by the four
    // texts, since a path and its (name, folder) determine each other.
    struct GroupPath {
        std::string name;
        std::string folder;
        const std::optional<Bytes>* bytes = nullptr;  // read when first compared
    };

    template <typename GroupFn>
    void WalkGroups(RefList& src, RefList& dst, GroupFn&& group);
    void PlainGroup(RefGroup& s, RefGroup& t);
    void ResolvePairs(std::int64_t sizeKey);
    void SourceArchiveGroup(RefGroup& s, RefGroup& t);

    int IdOf(const std::string& path);
    bool FindReversePair(int src, int dst);
    void AddPair(int src, int dst);
    void DropPairsOf(int id);

    const std::optional<Bytes>& Read(const std::string& path);
    bool SameFiles(int a, int b);
    std::optional<std::string> Extract(const std::string& archive, const std::string& entry);
    bool RemoveDuplicate(const std::string& doomed, const std::string& kept);
    MsgAnswer Ask(const std::string& text, MsgButtons buttons);
    DelAnswer AskChoice(const DeleteChoice& choice);

    RefSettings settings_;
    RefAnswers answers_;
    RefOutcome out_;
    bool stop_ = false;
    bool fileFuncStop_ = false;

    std::map<std::string, int> ids_;
    std::vector<GroupPath> paths_;
    std::vector<Pair> pairs_;
    std::unordered_map<std::uint64_t, std::size_t> pairIndex_;
    std::unordered_map<int, std::vector<std::size_t>> sideIndex_;

    // Files are read whole once; a file is forgotten when it is deleted.
    std::map<std::string, std::optional<Bytes>> files_;
    std::map<std::string, std::optional<std::map<std::string, std::string>>> archives_;
};

}  // namespace nebu::test
