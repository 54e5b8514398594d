#include "engine/PlainFileReads.h"

#include <future>
#include <thread>

#include "engine/ByteSpool.h"
#include "platform/FileReading.h"

namespace nebu {

namespace {

// Below this many files a second thread costs more than it saves.
constexpr std::size_t kSplitFrom = 64;

bool TwoProcessors() {
    static const bool two = std::thread::hardware_concurrency() > 1;
    return two;
}

}  // namespace

void PlainFileReads::Read(const std::vector<PlainToRead>& batch, std::vector<PlainRead>& out) {
    // The results of the last batch are overwritten, so that their buffers
    // are reused rather than allocated again for every file.
    if (out.size() < batch.size()) out.resize(batch.size());
    const std::size_t half =
        batch.size() >= kSplitFrom && TwoProcessors() ? batch.size() / 2 : batch.size();
    // The second half on a thread of its own; a file it cannot open is
    // opened again here, where failures are reported.
    std::vector<char> unopened(batch.size() - half, 0);
    std::future<void> second;
    if (half < batch.size()) {
        second = std::async(std::launch::async, [&] {
            for (std::size_t k = half; k < batch.size(); ++k) {
                unopened[k - half] = !ReadOne(batch[k], second_, out[k]) ? 1 : 0;
            }
        });
    }
    for (std::size_t k = 0; k < half; ++k) ReadOne(batch[k], folders_, out[k]);
    if (second.valid()) second.get();
    for (std::size_t k = half; k < batch.size(); ++k) {
        if (unopened[k - half] != 0) ReadOne(batch[k], folders_, out[k]);
    }
}

bool PlainFileReads::ReadOne(const PlainToRead& file, platform::FolderHandles& folders,
                             PlainRead& out) const {
    out.ok = false;
    out.fd = platform::UniqueFd();
    platform::UniqueFd fd(folders.OpenForReading(*file.path));
    if (!fd.valid()) return false;
    const auto before = platform::IdentityOfDescriptor(fd.get());
    if (!before || before->size != file.size) return true;
    ByteRange bytes;
    bytes.size = static_cast<std::uint64_t>(file.size);
    if (bytes.size <= inline_) {
        out.bytes.resize(bytes.size);
        if (platform::ReadFull(fd.get(), out.bytes.data(), out.bytes.size()) != file.size) {
            return true;
        }
        bytes.data = out.bytes.data();
    } else {
        bytes.fd = fd.get();
    }
    bool ok = false;
    out.hash = HashRange(bytes, ok);
    // A file written to meanwhile may have been read half old, half new.
    if (!ok || platform::IdentityOfDescriptor(fd.get()) != before) return true;
    out.ok = true;
    out.identity = *before;
    if (bytes.data == nullptr) out.fd = std::move(fd);
    return true;
}

}  // namespace nebu
