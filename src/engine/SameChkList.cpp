#include "engine/SameChkList.h"

#include <functional>

#include "platform/PathText.h"

namespace nebu {

namespace {

std::size_t Combine(std::size_t seed, std::size_t value) {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

std::size_t SideHash(const std::string& name, const std::string& folder) {
    std::hash<std::string> hash;
    return Combine(hash(name), hash(folder));
}

std::size_t PairHash(const std::string& name1, const std::string& folder1, const std::string& name2,
                     const std::string& folder2) {
    return Combine(SideHash(name1, folder1), SideHash(name2, folder2));
}

}  // namespace

bool TSameChkList::FindReversePair(const std::string& srcName, const std::string& srcFolder,
                                   const std::string& dstName, const std::string& dstFolder) {
    // Dropped pairs count too: a pair whose file was deleted must not come
    // back the other way round as a new pair.
    Node* newest = nullptr;
    std::size_t newestIndex = 0;
    auto [from, to] = byPair_.equal_range(PairHash(dstName, dstFolder, srcName, srcFolder));
    for (auto it = from; it != to; ++it) {
        Node& node = nodes_[it->second];
        if (node.name1 == dstName && node.folder1 == dstFolder && node.name2 == srcName &&
            node.folder2 == srcFolder && (!newest || it->second > newestIndex)) {
            newest = &node;
            newestIndex = it->second;
        }
    }
    if (!newest) return false;
    newest->mutual = 1;
    return true;
}

void TSameChkList::AddPair(const std::string& srcName, const std::string& srcFolder,
                           const std::string& dstName, const std::string& dstFolder) {
    const std::size_t index = nodes_.size();
    nodes_.push_back(Node{srcName, srcFolder, dstName, dstFolder, 1, 0});
    byPair_.emplace(PairHash(srcName, srcFolder, dstName, dstFolder), index);
    const std::size_t side1 = SideHash(srcName, srcFolder);
    const std::size_t side2 = SideHash(dstName, dstFolder);
    bySide_.emplace(side1, index);
    if (side2 != side1) bySide_.emplace(side2, index);
    ++count_;
}

bool TSameChkList::SeekActive(std::size_t fromBack, SamePairRec& rec) {
    for (cur_ = fromBack; cur_ < nodes_.size(); ++cur_) {
        const Node& node = nodes_[nodes_.size() - 1 - cur_];
        if (!node.Active) continue;
        rec.name1 = node.name1;
        rec.folder1 = node.folder1;
        rec.name2 = node.name2;
        rec.folder2 = node.folder2;
        rec.mutual = node.mutual;
        return true;
    }
    return false;
}

bool TSameChkList::FirstPair(SamePairRec& rec) {
    return SeekActive(0, rec);
}

bool TSameChkList::NextPair(SamePairRec& rec) {
    if (cur_ >= nodes_.size()) return false;
    return SeekActive(cur_ + 1, rec);
}

void TSameChkList::DropPairsOf(const std::string& name, const std::string& folder) {
    auto [from, to] = bySide_.equal_range(SideHash(name, folder));
    for (auto it = from; it != to; ++it) {
        Node& node = nodes_[it->second];
        if ((node.name1 == name && node.folder1 == folder) ||
            (node.name2 == name && node.folder2 == folder)) {
            node.Active = 0;
        }
    }
}

void TSameChkList::Clear() {
    nodes_.clear();
    byPair_.clear();
    bySide_.clear();
    count_ = 0;
    cur_ = 0;
}

std::pair<std::string, std::string> SplitPath(const std::string& path) {
    // "/x" gives folder "" (the root plays the part a drive letter plays
    // elsewhere), so JoinPath puts back exactly the path that was split. A
    // bare name has no folder; engine paths are always absolute.
    const std::size_t at = platform::LastSeparator(path);
    if (at == std::string::npos) return {path, std::string()};
    return {path.substr(at + 1), path.substr(0, at)};
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += platform::kPathSeparator;
    path += name;
    return path;
}

std::string MakeSameLine(const std::string& path1, const std::string& path2) {
    return "｢" + path1 + "｣と｢" + path2 + "｣が同じです。";
}

std::string EntryLabel(const std::string& archivePath, const std::string& entryName) {
    return "『" + archivePath + "』の中の『" + entryName + "』";
}

}  // namespace nebu
