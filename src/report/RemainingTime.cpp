#include "report/RemainingTime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace nebu {

namespace {

// Weight of the newest rate sample: a change of pace shows within a few
// seconds, a single slow group does not swing the estimate.
constexpr double kSmoothing = 0.3;

}  // namespace

void RemainingTime::Reset() {
    *this = RemainingTime();
}

void RemainingTime::Observe(double seconds, std::int64_t done, std::int64_t total) {
    if (!started_ || total != total_ || done < sampleDone_) {
        Reset();
        started_ = true;
        total_ = total;
        startTime_ = sampleTime_ = shownTime_ = seconds;
        sampleDone_ = done;
        return;
    }
    if (seconds - sampleTime_ >= kSampleSeconds) {
        const double sample = static_cast<double>(done - sampleDone_) / (seconds - sampleTime_);
        rate_ = rate_ > 0 ? rate_ + kSmoothing * (sample - rate_) : sample;
        sampleTime_ = seconds;
        sampleDone_ = done;
    }
    if (done >= total) {
        shown_ = 0;
        shownTime_ = seconds;
        return;
    }
    if (seconds - startTime_ < kMinSeconds || rate_ <= 0) {
        // A known estimate counts down while the pace is unknown again.
        if (shown_) {
            shown_ = std::max<std::int64_t>(
                *shown_ - static_cast<std::int64_t>(seconds - shownTime_), 0);
            shownTime_ = seconds;
        }
        return;
    }
    double estimate = static_cast<double>(total - done) / rate_;
    if (shown_) {
        // The estimate may drop at once but rises only gradually: a stall in
        // one large group must not make it jump ahead by hours.
        const double countdown =
            std::max(static_cast<double>(*shown_) - (seconds - shownTime_), 0.0);
        estimate = std::min(estimate, std::max(countdown * 1.25, countdown + 5.0));
    }
    shown_ = static_cast<std::int64_t>(std::ceil(std::max(estimate, 0.0)));
    shownTime_ = seconds;
}

std::string DurationText(std::int64_t seconds) {
    seconds = std::max<std::int64_t>(seconds, 0);
    const std::int64_t h = seconds / 3600;
    const std::int64_t m = seconds / 60 % 60;
    const std::int64_t s = seconds % 60;
    char text[48];
    if (h > 0) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(h),
                      static_cast<long long>(m), static_cast<long long>(s));
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(m),
                      static_cast<long long>(s));
    }
    return text;
}

std::string ByteAmountText(std::int64_t bytes) {
    bytes = std::max<std::int64_t>(bytes, 0);
    if (bytes < 1024) return std::to_string(bytes) + " B";
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    const int decimals = value < 10 ? 2 : value < 100 ? 1 : 0;
    // Truncated, never rounded up: "1.00 GB" is not shown for 1023.99 MB done.
    const double scale = std::pow(10.0, decimals);
    std::snprintf(text, sizeof text, "%.*f %s", decimals, std::floor(value * scale) / scale,
                  kUnits[unit]);
    return text;
}

std::string ProgressDetailText(std::int64_t done, std::int64_t total,
                               std::optional<std::int64_t> remaining) {
    std::string text = ByteAmountText(done) + " / " + ByteAmountText(total);
    if (remaining) text += std::string("  ") + kRemainingPrefix + DurationText(*remaining);
    return text;
}

}  // namespace nebu
