#include "engine/ContentClasses.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "engine/ByteHash.h"
#include "engine/FileReading.h"

namespace nebu {

namespace {

constexpr std::size_t kFirstChunk = 1024;
constexpr std::size_t kLastChunk = 65536;
// Reading in step keeps one chunk per distinct content seen at that point,
// not one per file: identical files need no more memory than two.
constexpr std::size_t kStepBufferBudget = 1u << 20;
constexpr std::size_t kPrefixBytes = 4096;

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Hash of the whole file, or of its first `limit` bytes; nullopt on error.
std::optional<std::uint64_t> HashFile(int fd, std::size_t limit, std::vector<char>& buffer) {
    if (::lseek(fd, 0, SEEK_SET) != 0) return std::nullopt;
    std::uint64_t h = 0;
    std::size_t total = 0;
    for (;;) {
        const std::size_t want = std::min(buffer.size(), limit - total);
        if (want == 0) break;
        const long got = ReadFull(fd, buffer.data(), want);
        if (got < 0) return std::nullopt;
        h = HashBytes(buffer.data(), static_cast<std::size_t>(got), h);
        total += static_cast<std::size_t>(got);
        if (static_cast<std::size_t>(got) < want) break;
    }
    return Mix(h, total);
}

bool SameBytes(int fd1, int fd2, std::vector<char>& b1, std::vector<char>& b2) {
    if (::lseek(fd1, 0, SEEK_SET) != 0 || ::lseek(fd2, 0, SEEK_SET) != 0) return false;
    std::size_t chunk = kFirstChunk;
    for (;;) {
        const long n1 = ReadFull(fd1, b1.data(), chunk);
        const long n2 = ReadFull(fd2, b2.data(), chunk);
        if (n1 < 0 || n2 < 0 || n1 != n2) return false;
        if (std::memcmp(b1.data(), b2.data(), static_cast<std::size_t>(n1)) != 0) return false;
        if (static_cast<std::size_t>(n1) < chunk) return true;
        chunk = std::min(chunk * 4, kLastChunk);
    }
}

bool Unchanged(int fd, const platform::FileIdentity& before) {
    const auto after = platform::IdentityOfDescriptor(fd);
    return after && *after == before;
}

// Tells chunks apart cheaply before any byte-by-byte comparison: random or
// different data almost always differs at one of the chunk's two ends.
std::uint64_t QuickKey(const char* data, std::size_t size) {
    if (size < 16) return HashBytes(data, size);
    std::uint64_t first, last;
    std::memcpy(&first, data, 8);
    std::memcpy(&last, data + size - 8, 8);
    return Mix(Mix(0, first), last);
}

}  // namespace

char* ContentClasses::StepBuffer() {
    // Kept between groups; untouched pages of it cost no memory.
    if (!stepBuffer_) stepBuffer_.reset(new char[kStepBufferBudget]);
    return stepBuffer_.get();
}

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
    commonFolderFd_ = ::open(commonFolder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (commonFolderFd_ < 0) commonFolder_.clear();
}

int ContentClasses::OpenMemberFile(const std::string& path) const {
    if (commonFolderFd_ >= 0 && path.size() > commonFolder_.size() &&
        path.compare(0, commonFolder_.size(), commonFolder_) == 0) {
        return OpenForReadingAt(commonFolderFd_, path.c_str() + commonFolder_.size());
    }
    return OpenForReading(path);
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
void ContentClasses::ClassifyInStep(const std::vector<std::uint32_t>& files) {
    // Files of different lengths differ; the length each had when opened
    // also tells where to stop reading without a read to find the end.
    std::map<std::int64_t, std::vector<OpenFile>> bySize;
    for (std::uint32_t m : files) {
        int fd = OpenAndIdentify(m);
        if (fd < 0) continue;
        const platform::FileIdentity* id = &members_[m].identity;
        if (id->size > static_cast<std::int64_t>(kLastChunk)) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        }
        bySize[id->size].push_back(OpenFile{m, fd});
    }
    for (auto& [size, set] : bySize) SplitInStep(std::move(set));
}

// Equal up to their common length: one class, except for a file that
// changed while it was read (it is not trusted and gets none).
void ContentClasses::Finish(std::vector<OpenFile>& files) {
    int cls = -1;
    for (OpenFile& f : files) {
        // A file alone in its class is never called equal to anything, so
        // only members of shared classes need the second look.
        if (files.size() == 1 || Unchanged(f.fd, members_[f.member].identity)) {
            if (cls < 0) cls = NewClass();
            Assign(f.member, cls);
        }
        CloseFd(f.fd);
    }
}

void ContentClasses::SplitInStep(std::vector<OpenFile> files) {
    struct Pending {
        std::vector<OpenFile> files;
        std::int64_t offset;
        std::size_t chunk;
    };
    std::vector<Pending> pending;
    pending.push_back(Pending{std::move(files), 0, kFirstChunk});
    while (!pending.empty()) {
        Pending item = std::move(pending.back());
        pending.pop_back();
        const std::int64_t size = members_[item.files.front().member].identity.size;
        if (item.files.size() == 1 || item.offset >= size) {
            Finish(item.files);
            continue;
        }
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::int64_t>(item.chunk, size - item.offset));
        auto parts = SplitChunk(item.files, item.offset, want);
        const std::size_t next = std::min(item.chunk * 4, kLastChunk);
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
            pending.push_back(
                Pending{std::move(*it), item.offset + static_cast<std::int64_t>(want), next});
        }
    }
}

struct ContentClasses::Part {
    std::vector<OpenFile> files;
    std::uint64_t key;
    const char* data;  // its chunk, or null when it is read again on demand
};

// Splits files (all of one length, all equal before `offset`) by their next
// `want` bytes. A file that gives fewer bytes than its length promised has
// changed: it is closed and gets no class.
std::vector<std::vector<ContentClasses::OpenFile>> ContentClasses::SplitChunk(
    std::vector<OpenFile>& files, std::int64_t offset, std::size_t want) {
    char* const arena = StepBuffer();
    const std::size_t slots = kStepBufferBudget / want;  // at least 16
    // Slot 0 receives each file's chunk, slot 1 a part's chunk read again;
    // the others keep the chunks of parts.
    char* const reread = arena + want;
    std::size_t nextSlot = 2;
    char* incoming = arena;
    std::vector<Part> parts;
    for (OpenFile& f : files) {
        if (ReadFullAt(f.fd, incoming, want, offset) != static_cast<long>(want)) {
            CloseFd(f.fd);
            continue;
        }
        const std::uint64_t key = QuickKey(incoming, want);
        Part* home = nullptr;
        for (Part& part : parts) {
            if (part.key != key) continue;
            const char* data = part.data;
            if (data == nullptr) {
                const OpenFile& rep = part.files.front();
                if (ReadFullAt(rep.fd, reread, want, offset) != static_cast<long>(want)) continue;
                data = reread;
            }
            if (std::memcmp(data, incoming, want) == 0) {
                home = &part;
                break;
            }
        }
        if (home != nullptr) {
            home->files.push_back(f);
            continue;
        }
        const char* data = nullptr;
        if (nextSlot < slots) {
            // Copied rather than swapped: slot 0 stays the place to read into.
            data = arena + nextSlot * want;
            std::memcpy(arena + nextSlot * want, incoming, want);
            ++nextSlot;
        }
        parts.push_back(Part{{f}, key, data});
    }
    std::vector<std::vector<OpenFile>> out;
    out.reserve(parts.size());
    for (Part& part : parts) out.push_back(std::move(part.files));
    return out;
}

// More files than can be held open even after hashing: almost surely copies
// of one another. Each is compared with one member of every class found so
// far. The first kBatch classes keep that member open; the rest open theirs
// when needed, so that every readable file still gets its class: the
// comparison modes never look past the classes.
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
