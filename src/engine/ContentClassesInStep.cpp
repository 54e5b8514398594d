// The in-step half of the content classification: files of one size read
// side by side, chunk by chunk, split wherever their bytes part.

#include <algorithm>
#include <map>
#include <memory>

#include "engine/ContentClasses.h"
#include "engine/ContentReading.h"
#include "platform/FileReading.h"

namespace nebu {

using namespace content_reading;

char* ContentClasses::StepBuffer() {
    // Kept between groups; untouched pages of it cost no memory.
    if (!stepBuffer_) stepBuffer_.reset(new char[kStepBufferBudget]);
    return stepBuffer_.get();
}

void ContentClasses::ClassifyInStep(const std::vector<std::uint32_t>& files) {
    // Files of different lengths differ; the length each had when opened
    // also tells where to stop reading without a read to find the end.
    std::map<std::int64_t, std::vector<OpenFile>> bySize;
    for (std::uint32_t m : files) {
        int fd = OpenAndIdentify(m);
        if (fd < 0) continue;
        const platform::FileIdentity* id = &members_[m].identity;
        if (id->size > static_cast<std::int64_t>(kLastChunk)) {
            platform::AdviseSequential(fd);
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
        if (platform::ReadFullAt(f.fd, incoming, want, offset) != static_cast<long>(want)) {
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
                if (platform::ReadFullAt(rep.fd, reread, want, offset) != static_cast<long>(want))
                    continue;
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
}  // namespace nebu
