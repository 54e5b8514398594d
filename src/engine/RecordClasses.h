#pragma once
// Classes of identical bytes among the records of many size groups at once,
// plain files and archive entries alike, found before those groups are
// walked. Every plain file is read about once and every entry is taken out
// once, in one pass over its archive for the whole run, whatever the shape
// of the groups: a hash sorts each record into a bucket of its size, and a
// record joins a class only after a byte-for-byte comparison with a member
// of it. Members that later records are compared with stay where they are
// (plain files) or are copied into a spool (entries), in memory up to a
// budget and on disk beyond it.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/ByteSpool.h"
#include "engine/NebuList.h"
#include "engine/Side.h"
#include "platform/FileIdentity.h"

namespace nebu {

class TNebuFileFunc;

class RecordClasses {
  public:
    struct Result {
        std::int32_t cls = -1;  // -1: equal to nothing (unread, changed, or not compared)
        bool failed = false;    // an entry that could not be taken out of its archive
    };

    RecordClasses(TNebuFileFunc& fileFunc, std::uint64_t memoryBudget);

    // Every alive record of group `group` of `list`.
    void AddGroup(Side side, const TNebuList& list, std::size_t group);
    // Every entry of the whole-archive records of the group, instead.
    void AddArchiveEntries(Side side, const TNebuList& list, std::size_t group);
    // Reads everything added; what is left when `stop` is set gets no class.
    void Run(const std::atomic<std::uint8_t>& stop);
    // The bytes of everything added: what Run may read.
    std::int64_t PlannedBytes() const { return plannedBytes_; }

    bool Holds(Side side, std::size_t group) const;
    // A record by its index in its group's Files.
    Result Of(Side side, std::size_t group, std::size_t file) const;
    // The entries of a whole-archive record, in the order of its entry list.
    const Result* EntriesOf(Side side, std::size_t group, std::size_t file,
                            std::size_t& count) const;
    // A plain file as it was when read.
    std::optional<platform::FileIdentity> IdentityOf(Side side, std::size_t group,
                                                     std::size_t file) const;
    // An archive every entry of which a pass saw exactly as listed.
    bool PassedAsListed(const std::string& archive) const;

  private:
    struct Item {
        const std::string* path;
        const std::string* entry;  // null for a plain file
        std::int64_t size;
        std::int32_t position;  // in its archive
        std::uint8_t kind;
        Side side;
    };
    struct Member {
        std::int32_t cls;
        std::int32_t item;  // a plain file compared where it lies,
        std::int32_t kept;  // or a copy in the spool
        std::int32_t next;  // the next member of its bucket, or -1
    };
    struct Chain {
        std::int32_t first;
        std::int32_t last;
    };

    static std::uint64_t Key(Side side, std::size_t group, std::size_t file);
    void Add(std::uint64_t key, Item item);
    void ReadPlainFiles(const std::atomic<std::uint8_t>& stop);
    void ReadArchive(const std::vector<std::uint32_t>& items,
                     const std::atomic<std::uint8_t>& stop);
    // Places the item with bytes `bytes` (hashed to `hash`) among the classes;
    // with `keep`, later items may be compared with it.
    void Classify(std::uint32_t item, std::uint64_t hash, const ByteRange& bytes, bool keep);
    bool SameAsMember(const Member& member, const ByteRange& bytes) const;

    TNebuFileFunc& ff_;
    ByteSpool spool_;
    std::vector<Item> items_;
    std::int64_t plannedBytes_ = 0;
    std::vector<Result> results_;
    std::unordered_map<std::uint64_t, std::uint32_t> first_;  // record -> its first item
    // Of each plain file read, by item; empty when there is none.
    std::vector<std::optional<platform::FileIdentity>> identities_;
    std::unordered_map<std::uint64_t, Chain> buckets_;  // hash and size -> its members
    std::vector<Member> members_;
    std::unordered_map<std::string, bool> asListed_;
    std::unordered_set<std::uint64_t> groupsHeld_;
    std::int32_t classes_ = 0;
    bool targetEntries_ = false;
};

}  // namespace nebu
