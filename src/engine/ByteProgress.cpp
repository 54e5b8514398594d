#include "engine/ByteProgress.h"

#include <algorithm>

#include "platform/FileReading.h"

namespace nebu {

void ByteProgress::Reset() {
    const std::lock_guard lock(mutex_);
    total_ = spanStart_ = spanEnd_ = 0;
    bytesReadAtSpan_ = platform::BytesReadSoFar();
}

void ByteProgress::AddPlanned(std::int64_t bytes) {
    const std::lock_guard lock(mutex_);
    total_ += std::max<std::int64_t>(bytes, 0);
}

void ByteProgress::BeginSpan(std::int64_t bytes) {
    const std::lock_guard lock(mutex_);
    spanStart_ = spanEnd_;
    // A plan that fell short (a list changed under it) ends at the total.
    spanEnd_ = std::min(total_, spanStart_ + std::max<std::int64_t>(bytes, 0));
    bytesReadAtSpan_ = platform::BytesReadSoFar();
}

void ByteProgress::Complete() {
    const std::lock_guard lock(mutex_);
    spanStart_ = spanEnd_ = total_;
}

std::int64_t ByteProgress::ReadInSpan() const {
    return std::max<std::int64_t>(platform::BytesReadSoFar() - bytesReadAtSpan_, 0);
}

ByteProgress::Snapshot ByteProgress::Read() const {
    const std::lock_guard lock(mutex_);
    return Snapshot{std::min(spanEnd_, spanStart_ + ReadInSpan()), total_};
}

}  // namespace nebu
