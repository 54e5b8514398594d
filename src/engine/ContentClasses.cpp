#include "engine/ContentClasses.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "engine/FileReading.h"

namespace nebu {

namespace {

constexpr std::size_t kFirstChunk = 1024;
constexpr std::size_t kLastChunk = 65536;
// Reading in step keeps one chunk per open file; this bounds them together.
constexpr std::size_t kStepBufferBudget = 4u << 20;
constexpr std::size_t kPrefixBytes = 4096;

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h *= 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 33);
}

std::uint64_t HashBytes(const char* data, std::size_t size, std::uint64_t h = 0) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, data + i, 8);
        h = Mix(h, w);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, data + i, size - i);
    return Mix(h, tail ^ (static_cast<std::uint64_t>(size) << 56));
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

}  // namespace

char* ContentClasses::StepBuffer(std::size_t size) {
    // Kept between groups: a fresh, zero-filled buffer per group would cost
    // more than reading small files.
    if (stepBufferSize_ < size) {
        stepBuffer_.reset(new char[size]);
        stepBufferSize_ = size;
    }
    return stepBuffer_.get();
}

void ContentClasses::Clear() {
    members_.clear();
    classes_.clear();
    byPrefix_.clear();
    indexed_ = 0;
}

void ContentClasses::Forget(const std::string& path) {
    members_.erase(path);
}

bool ContentClasses::Same(const std::string& a, const std::string& b) const {
    const auto ia = members_.find(a);
    const auto ib = members_.find(b);
    if (ia == members_.end() || ib == members_.end()) return false;
    if (ia->second.cls < 0 || ia->second.cls != ib->second.cls) return false;
    return !ia->second.identity.SameFileAs(ib->second.identity);
}

int ContentClasses::ClassOf(const std::string& path) const {
    const auto it = members_.find(path);
    return it == members_.end() ? -1 : it->second.cls;
}

std::optional<platform::FileIdentity> ContentClasses::IdentityOf(const std::string& path) const {
    const auto it = members_.find(path);
    if (it == members_.end() || it->second.cls < 0) return std::nullopt;
    return it->second.identity;
}

int ContentClasses::NewClass() {
    classes_.emplace_back();
    return static_cast<int>(classes_.size()) - 1;
}

void ContentClasses::Assign(const Candidate& c, int cls) {
    members_[c.path] = Member{cls, c.identity};
    classes_[cls].members.push_back(c.path);
}

int ContentClasses::OpenMember(int cls, platform::FileIdentity& identity) {
    std::vector<std::string>& list = classes_[cls].members;
    std::size_t gone = 0;
    int found = -1;
    for (; gone < list.size(); ++gone) {
        const auto it = members_.find(list[gone]);
        // Forgotten, or placed anew under the same name (an extracted file).
        if (it == members_.end() || it->second.cls != cls) continue;
        int fd = OpenForReading(list[gone]);
        if (fd < 0) continue;
        if (Unchanged(fd, it->second.identity)) {
            identity = it->second.identity;
            found = fd;
            break;
        }
        CloseFd(fd);
    }
    list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(gone));
    return found;
}

void ContentClasses::Build(const std::vector<std::string>& paths) {
    std::vector<Candidate> all;
    all.reserve(paths.size());
    for (const auto& path : paths) {
        if (members_.count(path) != 0) continue;
        members_[path] = Member{};  // unreadable until classified
        all.push_back(Candidate{path, -1, {}, 0});
    }
    if (all.size() <= kBatch) {
        ClassifyBucket(all);
        return;
    }
    // Too many to hold open at once: split by a hash of the first bytes,
    // then of the whole file, reading one file at a time. Files with
    // different hashes certainly differ; equal hashes prove nothing yet.
    std::vector<char> buffer(kLastChunk);
    for (std::size_t limit : {kPrefixBytes, SIZE_MAX}) {
        std::map<std::uint64_t, std::vector<Candidate>> buckets;
        for (auto& c : all) {
            int fd = OpenForReading(c.path);
            if (fd < 0) continue;
            const auto id = platform::IdentityOfDescriptor(fd);
            const auto h = id ? HashFile(fd, limit, buffer) : std::nullopt;
            if (id && h && Unchanged(fd, *id)) {
                c.identity = *id;
                buckets[*h].push_back(std::move(c));
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
                for (auto& c : bucket) all.push_back(std::move(c));
            }
        }
        if (all.empty()) return;
    }
}

void ContentClasses::ClassifyBucket(std::vector<Candidate>& bucket) {
    if (bucket.size() <= kBatch) {
        ClassifyInStep(bucket);
    } else {
        ClassifyAgainstRepresentatives(bucket);
    }
}

// Reads all files of the bucket chunk by chunk, side by side, splitting the
// set wherever bytes (or lengths) differ; each file is read once.
void ContentClasses::ClassifyInStep(std::vector<Candidate>& files) {
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < files.size(); ++i) {
        Candidate& c = files[i];
        c.fd = OpenForReading(c.path);
        if (c.fd < 0) continue;
        const auto id = platform::IdentityOfDescriptor(c.fd);
        if (!id) {
            CloseFd(c.fd);
            continue;
        }
        c.identity = *id;
        if (c.identity.size > static_cast<std::int64_t>(kLastChunk)) {
            ::posix_fadvise(c.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        }
        open.push_back(i);
    }
    if (open.empty()) return;

    // No chunk needs to be longer than the files (plus one byte to see their
    // end), and all chunks together stay within the budget.
    std::int64_t longest = 0;
    for (std::size_t i : open) longest = std::max(longest, files[i].identity.size);
    const std::size_t cap =
        std::max<std::size_t>(kFirstChunk, std::min({kLastChunk, kStepBufferBudget / open.size(),
                                                     static_cast<std::size_t>(longest) + 1}));
    char* buffer = StepBuffer(cap * open.size());
    std::vector<long> counts(files.size(), 0);
    std::vector<std::size_t> slotOf(files.size(), 0);
    for (std::size_t s = 0; s < open.size(); ++s) slotOf[open[s]] = s;

    auto finish = [&](const std::vector<std::size_t>& set) {
        // Equal to the end; a file changed while it was read is not trusted.
        int cls = -1;
        for (std::size_t i : set) {
            Candidate& c = files[i];
            // A file alone in its class is never called equal to anything,
            // so only members of shared classes need the second look.
            if (set.size() == 1 || Unchanged(c.fd, c.identity)) {
                if (cls < 0) cls = NewClass();
                Assign(c, cls);
            }
            CloseFd(c.fd);
        }
    };

    std::vector<std::vector<std::size_t>> active{open};
    std::size_t chunk = std::min(kFirstChunk, cap);
    while (!active.empty()) {
        std::vector<std::vector<std::size_t>> next;
        for (auto& set : active) {
            if (set.size() == 1) {
                // Unlike every other file of the group: a class of its own,
                // and no need to read the rest of it.
                finish(set);
                continue;
            }
            for (std::size_t i : set) {
                char* buf = buffer + slotOf[i] * cap;
                counts[i] = ReadFull(files[i].fd, buf, chunk);
            }
            // Split by (length, bytes). A member is compared with the first
            // member of each part so far; unequal chunks differ early, so
            // this costs little even when every file is different.
            std::vector<std::vector<std::size_t>> parts;
            for (std::size_t i : set) {
                if (counts[i] < 0) {
                    CloseFd(files[i].fd);
                    continue;
                }
                const char* buf = buffer + slotOf[i] * cap;
                bool placed = false;
                for (auto& part : parts) {
                    const std::size_t rep = part.front();
                    if (counts[rep] == counts[i] &&
                        std::memcmp(buffer + slotOf[rep] * cap, buf,
                                    static_cast<std::size_t>(counts[i])) == 0) {
                        part.push_back(i);
                        placed = true;
                        break;
                    }
                }
                if (!placed) parts.push_back({i});
            }
            for (auto& part : parts) {
                if (static_cast<std::size_t>(counts[part.front()]) < chunk) {
                    finish(part);  // every member ended here, together
                } else {
                    next.push_back(std::move(part));
                }
            }
        }
        active = std::move(next);
        chunk = std::min(chunk * 4, cap);
    }
}

// More files than can be held open even after hashing: almost surely copies
// of one another. Each is compared with one member of every class found so
// far. The first kBatch classes keep that member open; the rest open theirs
// when needed, so that every readable file still gets its class: the
// comparison modes never look past the classes.
void ContentClasses::ClassifyAgainstRepresentatives(std::vector<Candidate>& files) {
    std::vector<char> b1(kLastChunk), b2(kLastChunk);
    struct Representative {
        int cls;
        int fd;  // -1 past the first kBatch
    };
    std::vector<Representative> reps;
    for (auto& c : files) {
        int fd = OpenForReading(c.path);
        if (fd < 0) continue;
        const auto id = platform::IdentityOfDescriptor(fd);
        if (!id) {
            CloseFd(fd);
            continue;
        }
        c.identity = *id;
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
        if (!Unchanged(fd, c.identity)) {
            CloseFd(fd);
            continue;
        }
        if (cls >= 0) {
            Assign(c, cls);
            CloseFd(fd);
            continue;
        }
        cls = NewClass();
        Assign(c, cls);
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
    if (members_.count(path) != 0) return;
    members_[path] = Member{};
    int fd = OpenForReading(path);
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
    Candidate c{path, -1, *id, 0};
    if (found < 0) {
        found = NewClass();
        byPrefix_.emplace(*prefix, found);
        indexed_ = classes_.size();
    }
    Assign(c, found);
}

}  // namespace nebu
