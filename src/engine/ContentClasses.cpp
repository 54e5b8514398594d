#include "engine/ContentClasses.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "engine/ByteHash.h"
#include "engine/ContentReading.h"
#include "platform/FileReading.h"
#include "platform/WorkFiles.h"

namespace nebu {

using namespace content_reading;

namespace {

constexpr std::size_t kPrefixBytes = 4096;

// Hash of the whole file, or of its first `limit` bytes; nullopt on error.
std::optional<std::uint64_t> HashFile(int fd, std::size_t limit, std::vector<char>& buffer) {
    if (!platform::Rewind(fd)) return std::nullopt;
    std::uint64_t h = 0;
    std::size_t total = 0;
    for (;;) {
        const std::size_t want = std::min(buffer.size(), limit - total);
        if (want == 0) break;
        const long got = platform::ReadFull(fd, buffer.data(), want);
        if (got < 0) return std::nullopt;
        h = HashBytes(buffer.data(), static_cast<std::size_t>(got), h);
        total += static_cast<std::size_t>(got);
        if (static_cast<std::size_t>(got) < want) break;
    }
    return Mix(h, total);
}

bool SameBytes(int fd1, int fd2, std::vector<char>& b1, std::vector<char>& b2) {
    if (!platform::Rewind(fd1) || !platform::Rewind(fd2)) return false;
    std::size_t chunk = kFirstChunk;
    for (;;) {
        const long n1 = platform::ReadFull(fd1, b1.data(), chunk);
        const long n2 = platform::ReadFull(fd2, b2.data(), chunk);
        if (n1 < 0 || n2 < 0 || n1 != n2) return false;
        if (std::memcmp(b1.data(), b2.data(), static_cast<std::size_t>(n1)) != 0) return false;
        if (static_cast<std::size_t>(n1) < chunk) return true;
        chunk = std::min(chunk * 4, kLastChunk);
    }
}

}  // namespace

ContentClasses::~ContentClasses() {
    CloseCommonFolder();
}

void ContentClasses::CloseCommonFolder() {
    CloseFd(commonFolderFd_);
    commonFolder_.clear();
}

void ContentClasses::OpenCommonFolder(const std::vector<Member>& members, std::size_t first) {
    CloseCommonFolder();
    if (first >= members.size()) return;
    std::string_view common = *members[first].path;
    for (std::size_t i = first + 1; i < members.size() && !common.empty(); ++i) {
        const std::string& path = *members[i].path;
        std::size_t n = 0;
        while (n < common.size() && n < path.size() && common[n] == path[n]) ++n;
        common = common.substr(0, n);
    }
    const std::size_t slash = common.rfind('/');
    // Only absolute folders below the root gain anything.
    if (slash == std::string_view::npos || slash == 0 || common.front() != '/') return;
    commonFolder_.assign(common.substr(0, slash + 1));
    commonFolderFd_ = platform::OpenFolderForLookups(commonFolder_);
    if (commonFolderFd_ < 0) commonFolder_.clear();
}

int ContentClasses::OpenMemberFile(const std::string& path) const {
    if (commonFolderFd_ >= 0 && path.size() > commonFolder_.size() &&
        path.compare(0, commonFolder_.size(), commonFolder_) == 0) {
        return platform::OpenForReadingAt(commonFolderFd_, path.c_str() + commonFolder_.size());
    }
    return platform::OpenForReading(path);
}

void ContentClasses::Clear() {
    CloseCommonFolder();
    index_.clear();
    members_.clear();
    owned_.clear();
    classes_.clear();
    byPrefix_.clear();
    indexed_ = 0;
}

const ContentClasses::Member* ContentClasses::Find(const std::string& path) const {
    const auto it = index_.find(path);
    return it == index_.end() ? nullptr : &members_[it->second];
}

std::uint32_t ContentClasses::NewMember(const std::string* path) {
    const auto idx = static_cast<std::uint32_t>(members_.size());
    members_.push_back(Member{path, -1, {}});
    index_[*path] = idx;
    return idx;
}

void ContentClasses::Forget(const std::string& path) {
    index_.erase(path);
}

bool ContentClasses::Same(const std::string& a, const std::string& b) const {
    const Member* ma = Find(a);
    const Member* mb = Find(b);
    if (ma == nullptr || mb == nullptr) return false;
    if (ma->cls < 0 || ma->cls != mb->cls) return false;
    return !ma->identity.SameFileAs(mb->identity);
}

int ContentClasses::ClassOf(const std::string& path) const {
    const Member* m = Find(path);
    return m == nullptr ? -1 : m->cls;
}

std::optional<platform::FileIdentity> ContentClasses::IdentityOf(const std::string& path) const {
    const Member* m = Find(path);
    if (m == nullptr || m->cls < 0) return std::nullopt;
    return m->identity;
}

int ContentClasses::NewClass() {
    classes_.emplace_back();
    return static_cast<int>(classes_.size()) - 1;
}

void ContentClasses::Assign(std::uint32_t member, int cls) {
    members_[member].cls = cls;
    classes_[cls].members.push_back(member);
}

int ContentClasses::OpenMember(int cls, platform::FileIdentity& identity) {
    std::vector<std::uint32_t>& list = classes_[cls].members;
    std::size_t gone = 0;
    int found = -1;
    for (; gone < list.size(); ++gone) {
        const Member& m = members_[list[gone]];
        // Forgotten, or placed anew under the same name (an extracted file).
        const auto it = index_.find(*m.path);
        if (it == index_.end() || it->second != list[gone]) continue;
        int fd = OpenMemberFile(*m.path);
        if (fd < 0) continue;
        if (Unchanged(fd, m.identity)) {
            identity = m.identity;
            found = fd;
            break;
        }
        CloseFd(fd);
    }
    list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(gone));
    return found;
}

void ContentClasses::Build(std::vector<std::string> paths, const Heads* heads) {
    std::vector<const std::string*> kept;
    kept.reserve(paths.size());
    for (auto& path : paths) kept.push_back(&owned_.emplace_back(std::move(path)));
    Build(kept, heads);
}

void ContentClasses::Build(const std::vector<const std::string*>& paths, const Heads* heads) {
    std::vector<std::uint32_t> all;
    all.reserve(paths.size());
    index_.reserve(index_.size() + paths.size());
    const std::size_t first = members_.size();
    // Heads of the members, when every one of them is known.
    std::vector<std::uint64_t> memberHeads;
    bool headsKnown = heads != nullptr && heads->size() == paths.size();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (index_.count(*paths[i]) != 0) continue;
        all.push_back(NewMember(paths[i]));  // unreadable until classified
        if (headsKnown) {
            if ((*heads)[i]) {
                memberHeads.push_back(*(*heads)[i]);
            } else {
                headsKnown = false;  // could equal anything: read it with all the others
            }
        }
    }
    OpenCommonFolder(members_, first);
    if (!headsKnown) {
        ClassifyMany(std::move(all));
        return;
    }
    // A file whose head is like no other file's head differs from all of
    // them without being opened again; the others are read in full.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> byHead;
    byHead.reserve(all.size());
    for (std::size_t i = 0; i < all.size(); ++i) byHead.emplace_back(memberHeads[i], all[i]);
    std::sort(byHead.begin(), byHead.end());
    for (std::size_t i = 0; i < byHead.size();) {
        std::size_t end = i + 1;
        while (end < byHead.size() && byHead[end].first == byHead[i].first) ++end;
        if (end - i == 1) {
            Assign(byHead[i].second, NewClass());
        } else {
            std::vector<std::uint32_t> bucket;
            for (std::size_t k = i; k < end; ++k) bucket.push_back(byHead[k].second);
            ClassifyMany(std::move(bucket));
        }
        i = end;
    }
}

void ContentClasses::ClassifyMany(std::vector<std::uint32_t> all) {
    if (all.size() <= kBatch) {
        ClassifyBucket(all);
        return;
    }
    // Too many to hold open at once: split by a hash of the first bytes,
    // then of the whole file, reading one file at a time. Files with
    // different hashes certainly differ; equal hashes prove nothing yet.
    std::vector<char> buffer(kLastChunk);
    for (std::size_t limit : {kPrefixBytes, SIZE_MAX}) {
        std::map<std::uint64_t, std::vector<std::uint32_t>> buckets;
        for (std::uint32_t m : all) {
            int fd = OpenMemberFile(*members_[m].path);
            if (fd < 0) continue;
            const auto id = platform::IdentityOfDescriptor(fd);
            const auto h = id ? HashFile(fd, limit, buffer) : std::nullopt;
            if (id && h && Unchanged(fd, *id)) {
                members_[m].identity = *id;
                buckets[Mix(*h, static_cast<std::uint64_t>(id->size))].push_back(m);
            }
            CloseFd(fd);
        }
        all.clear();
        for (auto& [hash, bucket] : buckets) {
            if (bucket.size() == 1) {
                Assign(bucket.front(), NewClass());
                continue;
            }
            if (bucket.size() <= kBatch || limit != kPrefixBytes) {
                ClassifyBucket(bucket);
            } else {
                all.insert(all.end(), bucket.begin(), bucket.end());
            }
        }
        if (all.empty()) return;
    }
}

void ContentClasses::ClassifyBucket(const std::vector<std::uint32_t>& bucket) {
    if (bucket.size() <= kBatch) {
        ClassifyInStep(bucket);
    } else {
        ClassifyAgainstRepresentatives(bucket);
    }
}

int ContentClasses::OpenAndIdentify(std::uint32_t member) {
    int fd = OpenMemberFile(*members_[member].path);
    if (fd < 0) return -1;
    const auto id = platform::IdentityOfDescriptor(fd);
    if (!id) {
        CloseFd(fd);
        return -1;
    }
    members_[member].identity = *id;
    return fd;
}

// Reads all files of the bucket chunk by chunk, side by side, splitting the
// set wherever bytes differ; each file is read once.
void ContentClasses::ClassifyAgainstRepresentatives(const std::vector<std::uint32_t>& files) {
    std::vector<char> b1(kLastChunk), b2(kLastChunk);
    struct Representative {
        int cls;
        int fd;  // -1 past the first kBatch
    };
    std::vector<Representative> reps;
    for (std::uint32_t m : files) {
        int fd = OpenAndIdentify(m);
        if (fd < 0) continue;
        const platform::FileIdentity* id = &members_[m].identity;
        int cls = -1;
        for (const Representative& rep : reps) {
            platform::FileIdentity repId;
            int repFd = rep.fd >= 0 ? rep.fd : OpenMember(rep.cls, repId);
            if (repFd < 0) continue;
            const bool same = SameBytes(repFd, fd, b1, b2);
            if (rep.fd < 0) CloseFd(repFd);
            if (same) {
                cls = rep.cls;
                break;
            }
        }
        if (!Unchanged(fd, *id)) {
            CloseFd(fd);
            continue;
        }
        if (cls >= 0) {
            Assign(m, cls);
            CloseFd(fd);
            continue;
        }
        cls = NewClass();
        Assign(m, cls);
        if (reps.size() < kBatch) {
            reps.push_back({cls, fd});
        } else {
            reps.push_back({cls, -1});
            CloseFd(fd);
        }
    }
    for (auto& rep : reps) CloseFd(rep.fd);
}

void ContentClasses::IndexPrefixes() {
    std::vector<char> buffer(kPrefixBytes);
    for (; indexed_ < classes_.size(); ++indexed_) {
        platform::FileIdentity identity;
        int fd = OpenMember(static_cast<int>(indexed_), identity);
        if (fd < 0) continue;
        if (const auto h = HashFile(fd, kPrefixBytes, buffer)) {
            byPrefix_.emplace(*h, static_cast<int>(indexed_));
        }
        CloseFd(fd);
    }
}

void ContentClasses::Add(const std::string& path) {
    if (Knows(path)) return;
    const std::uint32_t member = NewMember(&owned_.emplace_back(path));
    int fd = OpenMemberFile(path);
    if (fd < 0) return;
    const auto id = platform::IdentityOfDescriptor(fd);
    std::vector<char> b1(kLastChunk), b2(kLastChunk);
    const auto prefix = id ? HashFile(fd, kPrefixBytes, b1) : std::nullopt;
    if (!prefix) {
        CloseFd(fd);
        return;
    }
    IndexPrefixes();
    int found = -1;
    auto [lo, hi] = byPrefix_.equal_range(*prefix);
    for (auto it = lo; it != hi && found < 0; ++it) {
        const int cls = it->second;
        platform::FileIdentity memberId;
        int memberFd = OpenMember(cls, memberId);
        if (memberFd < 0) continue;
        if (memberId.size == id->size && SameBytes(memberFd, fd, b1, b2) &&
            Unchanged(memberFd, memberId)) {
            found = cls;
        }
        CloseFd(memberFd);
    }
    const bool stable = Unchanged(fd, *id);
    CloseFd(fd);
    if (!stable) return;
    members_[member].identity = *id;
    if (found < 0) {
        found = NewClass();
        byPrefix_.emplace(*prefix, found);
        indexed_ = classes_.size();
    }
    Assign(member, found);
}

}  // namespace nebu
