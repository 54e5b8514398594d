#include "engine/NebuList.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace nebu {

namespace {

using FileNode = TNebuList::FileNode;
using SizeNode = TNebuList::SizeNode;

bool KeyBelow(const SizeNode& group, std::int64_t size) {
    return group.Size < size;
}

// Index of the group with `size` in the ascending vector, or -1.
long FindGroup(const std::vector<SizeNode>& groups, std::int64_t size) {
    auto it = std::lower_bound(groups.begin(), groups.end(), size, KeyBelow);
    if (it == groups.end() || it->Size != size) return -1;
    return static_cast<long>(it - groups.begin());
}

// The fields every copy-out shares. A stored file without an entry list
// leaves the record's own list alone, as callers reuse one record.
template <typename Record>
void CopyOut(const FileNode& node, Record& rec) {
    rec.Path = node.Path;
    rec.Entry = node.Entry();
    rec.EntryIndex = node.EntryIndex;
    rec.Matched = node.Matched;
    rec.Kind = node.Kind;
    if (!node.Entries) return;
    rec.Entries.Clear();
    for (const TEntryList::Entry& entry : node.Entries->Entries()) {
        rec.Entries.Append(entry.name, entry.size, entry.position);
    }
}

}  // namespace

const std::vector<TNebuList::SizeNode>& TNebuList::Groups() const {
    Settle();
    return groups_;
}

int TNebuList::CurrentGroupIndex() const {
    Settle();
    return curGroup_;
}

void TNebuList::Settle() const {
    if (pending_.empty()) return;
    bool hadGroup = curPending_ || curGroup_ >= 0;
    std::int64_t key = curPending_ ? curKey_ : (curGroup_ >= 0 ? groups_[curGroup_].Size : 0);

    std::vector<SizeNode> merged;
    merged.reserve(groups_.size() + pending_.size());
    auto old = groups_.begin();
    for (auto& [size, group] : pending_) {
        while (old != groups_.end() && old->Size < size) merged.push_back(std::move(*old++));
        merged.push_back(std::move(group));
    }
    while (old != groups_.end()) merged.push_back(std::move(*old++));
    groups_ = std::move(merged);
    pending_.clear();

    curPending_ = false;
    curGroup_ = hadGroup ? static_cast<int>(FindGroup(groups_, key)) : -1;
}

TNebuList::SizeNode& TNebuList::GroupForSorted(std::int64_t size) {
    long found = FindGroup(groups_, size);
    if (found >= 0) {
        curGroup_ = static_cast<int>(found);
        curPending_ = false;
        return groups_[found];
    }
    if (pending_.empty() || pending_.find(size) == pending_.end()) {
        if (groups_.empty() || groups_.back().Size < size) {
            // Above every key there is: appending keeps the order for free.
            groups_.push_back(SizeNode{size, 0, {}});
            curGroup_ = static_cast<int>(groups_.size() - 1);
            curPending_ = false;
            return groups_.back();
        }
    }
    SizeNode& group = pending_[size];
    group.Size = size;
    curPending_ = true;
    curKey_ = size;
    curGroup_ = -1;
    return group;
}

void TNebuList::AddToGroup(SizeNode& group, const NebuRec& rec) {
    NebuRec copy = rec;
    AddToGroup(group, std::move(copy));
}

void TNebuList::AddToGroup(SizeNode& group, NebuRec&& rec) {
    candidatesValid_ = false;
    const bool wholeArchive = rec.IsWholeArchive();
    FileNode node;
    node.Path = std::move(rec.Path);
    if (!rec.Entry.empty()) node.EntryName = std::make_unique<std::string>(std::move(rec.Entry));
    node.EntryIndex = rec.EntryIndex;
    node.Kind = rec.Kind;
    std::int32_t added = 1;
    if (wholeArchive) {
        node.Entries = std::make_unique<TArcList>();
        for (const TEntryList::Entry& entry : rec.Entries.Entries()) {
            if (entry.active) node.Entries->InsertBySize(entry.name, entry.size, entry.position);
        }
        added = node.Entries->Count();
    }
    group.Files.push_back(std::move(node));
    group.Count += added;
    count_.fetch_add(added, std::memory_order_relaxed);
    curFile_ = 0;
}

void TNebuList::AddSorted(const NebuRec& rec) {
    AddToGroup(GroupForSorted(rec.Size), rec);
}

void TNebuList::AddSorted(NebuRec&& rec) {
    SizeNode& group = GroupForSorted(rec.Size);
    AddToGroup(group, std::move(rec));
}

void TNebuList::AddAppended(const NebuRec& rec) {
    Settle();
    if (curGroup_ >= 0 && groups_[curGroup_].Size == rec.Size) {
        AddToGroup(groups_[curGroup_], rec);
        return;
    }
    // Filling from a list read in ascending order always lands here at the
    // end. A size out of order is still placed by its key: a second group
    // with the same size, or one out of order, would hide files from the
    // size-by-size merge of the two sides.
    AddToGroup(GroupForSorted(rec.Size), rec);
    Settle();
}

bool TNebuList::SeekFile(std::size_t group, std::size_t fromBackOffset, NebuRec& rec) {
    for (; group < groups_.size(); ++group, fromBackOffset = 0) {
        const std::vector<FileNode>& files = groups_[group].Files;
        for (std::size_t offset = fromBackOffset; offset < files.size(); ++offset) {
            const FileNode& node = files[files.size() - 1 - offset];
            if (!node.Alive) continue;
            curGroup_ = static_cast<int>(group);
            curFile_ = static_cast<long>(offset);
            rec.Size = groups_[group].Size;
            CopyOut(node, rec);
            return true;
        }
    }
    curGroup_ = -1;
    curFile_ = -1;
    return false;
}

bool TNebuList::FirstFile(NebuRec& rec) {
    Settle();
    return SeekFile(0, 0, rec);
}

bool TNebuList::NextFile(NebuRec& rec) {
    Settle();
    if (curGroup_ < 0) return false;
    return SeekFile(static_cast<std::size_t>(curGroup_), static_cast<std::size_t>(curFile_ + 1),
                    rec);
}

bool TNebuList::FirstGroup(std::int64_t& size) {
    Settle();
    curFile_ = -1;
    if (groups_.empty()) {
        curGroup_ = -1;
        return false;
    }
    curGroup_ = 0;
    size = groups_[0].Size;
    progress_.store(groups_[0].Count, std::memory_order_relaxed);
    return true;
}

bool TNebuList::NextGroup(std::int64_t& size) {
    Settle();
    curFile_ = -1;
    if (curGroup_ < 0) return false;
    if (static_cast<std::size_t>(curGroup_) + 1 >= groups_.size()) {
        curGroup_ = -1;
        return false;
    }
    ++curGroup_;
    size = groups_[curGroup_].Size;
    progress_.fetch_add(groups_[curGroup_].Count, std::memory_order_relaxed);
    return true;
}

bool TNebuList::SeekInGroup(std::size_t fromBackOffset, NebuNameRec& rec) {
    const std::vector<FileNode>& files = groups_[curGroup_].Files;
    for (std::size_t offset = fromBackOffset; offset < files.size(); ++offset) {
        const FileNode& node = files[files.size() - 1 - offset];
        if (!node.Alive) continue;
        curFile_ = static_cast<long>(offset);
        CopyOut(node, rec);
        return true;
    }
    curFile_ = -1;
    return false;
}

bool TNebuList::GoToInGroup(long position, NebuNameRec& rec) {
    Settle();
    if (curGroup_ < 0 || position < 0) return false;
    const std::vector<FileNode>& files = groups_[curGroup_].Files;
    const auto offset = static_cast<std::size_t>(position);
    if (offset >= files.size()) return false;
    const FileNode& node = files[files.size() - 1 - offset];
    if (!node.Alive) return false;
    curFile_ = position;
    CopyOut(node, rec);
    return true;
}

bool TNebuList::FirstInGroup(NebuNameRec& rec) {
    Settle();
    if (curGroup_ < 0) return false;
    return SeekInGroup(0, rec);
}

bool TNebuList::NextInGroup(NebuNameRec& rec) {
    Settle();
    if (curGroup_ < 0 || curFile_ < 0) return false;
    return SeekInGroup(static_cast<std::size_t>(curFile_ + 1), rec);
}

bool TNebuList::MarkMatched() {
    Settle();
    if (curGroup_ < 0 || curFile_ < 0) return false;
    std::vector<FileNode>& files = groups_[curGroup_].Files;
    files[files.size() - 1 - static_cast<std::size_t>(curFile_)].Matched = 1;
    candidatesValid_ = false;
    return true;
}

bool TNebuList::MarkRemoved() {
    Settle();
    if (curGroup_ < 0 || curFile_ < 0) return false;
    std::vector<FileNode>& files = groups_[curGroup_].Files;
    files[files.size() - 1 - static_cast<std::size_t>(curFile_)].Alive = 0;
    candidatesValid_ = false;
    return true;
}

void TNebuList::BuildCandidates() {
    // One pass instead of one pass per archive: an archive is visited in the
    // order of its first alive matched record, and consuming one archive
    // never changes whether another one qualifies.
    struct PathState {
        long candidate = -1;
        bool hasUnmatched = false;
    };
    std::unordered_map<std::string_view, PathState> states;
    candidates_.clear();
    nextCandidate_ = 0;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const std::vector<FileNode>& files = groups_[g].Files;
        for (std::size_t offset = 0; offset < files.size(); ++offset) {
            const std::size_t index = files.size() - 1 - offset;
            const FileNode& node = files[index];
            if (!node.Alive) continue;
            PathState& state = states[node.Path];
            if (!node.Matched) {
                state.hasUnmatched = true;
                continue;
            }
            if (state.candidate < 0) {
                state.candidate = static_cast<long>(candidates_.size());
                candidates_.push_back(Candidate{node.Path, true, {}});
            }
            candidates_[state.candidate].matched.emplace_back(g, index);
        }
    }
    for (const auto& [path, state] : states) {
        if (state.candidate >= 0 && state.hasUnmatched)
            candidates_[state.candidate].complete = false;
    }
    candidatesValid_ = true;
}

bool TNebuList::NextFullArchive(std::string& path) {
    Settle();
    if (!candidatesValid_) BuildCandidates();
    while (nextCandidate_ < candidates_.size()) {
        const Candidate& candidate = candidates_[nextCandidate_++];
        for (const auto& [group, index] : candidate.matched) groups_[group].Files[index].Alive = 0;
        if (candidate.complete) {
            path = candidate.path;
            return true;
        }
    }
    return false;
}

void TNebuList::Clear() {
    groups_.clear();
    pending_.clear();
    count_.store(0, std::memory_order_relaxed);
    // A stale walk total would push the progress of the next run past 100%
    // while this list is still empty.
    progress_.store(0, std::memory_order_relaxed);
    curGroup_ = -1;
    curPending_ = false;
    curFile_ = -1;
    candidates_.clear();
    nextCandidate_ = 0;
    candidatesValid_ = false;
}

}  // namespace nebu
