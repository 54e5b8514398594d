#pragma once
// The time a job still needs, told from the bytes it has read so far, and the
// texts that show it. Free of clocks: the caller passes the time of each
// observation, so the estimate can be followed step by step.

#include <cstdint>
#include <optional>
#include <string>

namespace nebu {

inline constexpr const char* kRemainingPrefix = "残り ";

class RemainingTime {
  public:
    // Nothing before this much time of work is trusted: the first seconds
    // are spent in caches and small groups and say little of the rest.
    static constexpr double kMinSeconds = 3.0;
    // The rate is sampled over at least this long, then smoothed.
    static constexpr double kSampleSeconds = 1.0;

    // `done` of `total` bytes at `seconds` on any steady clock. A total
    // that changes (a new job, or one planned again) starts afresh.
    void Observe(double seconds, std::int64_t done, std::int64_t total);
    // Whole seconds still needed; none until enough work has been seen.
    std::optional<std::int64_t> Seconds() const { return shown_; }
    void Reset();

  private:
    bool started_ = false;
    std::int64_t total_ = 0;
    double startTime_ = 0;
    double sampleTime_ = 0;
    std::int64_t sampleDone_ = 0;
    double rate_ = 0;  // bytes per second, smoothed; 0 while unknown
    double shownTime_ = 0;
    std::optional<std::int64_t> shown_;
};

// "0:12", "12:05", "1:02:03".
std::string DurationText(std::int64_t seconds);
// "512 B", "12.3 KB", "4.0 MB", "1.25 GB": binary units, three digits.
std::string ByteAmountText(std::int64_t bytes);
// "12.3 MB / 45.6 MB", and "  残り 0:12" once there is an estimate.
std::string ProgressDetailText(std::int64_t done, std::int64_t total,
                               std::optional<std::int64_t> remaining);

}  // namespace nebu
