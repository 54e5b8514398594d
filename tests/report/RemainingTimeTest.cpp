// The remaining-time estimate followed second by second on a clock the test
// owns: nothing before enough work, the exact time on a steady pace, a
// gradual rise when the pace drops, never below zero; and its texts.

#include <gtest/gtest.h>

#include "report/RemainingTime.h"

namespace nebu::test {
namespace {

constexpr std::int64_t kMB = 1024 * 1024;

TEST(RemainingTimeTest, NothingBeforeEnoughWorkThenTheSteadyPace) {
    RemainingTime estimate;
    // 10 MB a second of 300 MB.
    for (int t = 0; t < 3; ++t) {
        estimate.Observe(t, t * 10 * kMB, 300 * kMB);
        EXPECT_FALSE(estimate.Seconds()) << "at " << t << " s";
    }
    for (int t = 3; t <= 20; ++t) {
        estimate.Observe(t, t * 10 * kMB, 300 * kMB);
        ASSERT_TRUE(estimate.Seconds());
        EXPECT_EQ(*estimate.Seconds(), 30 - t);
    }
    // More read than planned (files that grew): zero, never below.
    estimate.Observe(21, 310 * kMB, 300 * kMB);
    EXPECT_EQ(estimate.Seconds(), 0);
    // A new job's total forgets the old pace.
    estimate.Observe(22, 0, 7 * kMB);
    EXPECT_FALSE(estimate.Seconds());
}

TEST(RemainingTimeTest, ConvergesOnANewPaceWithoutJumping) {
    RemainingTime estimate;
    double t = 0;
    std::int64_t done = 0;
    const std::int64_t total = 10000 * kMB;
    auto step = [&](std::int64_t perSecond) {
        t += 1;
        done += perSecond;
        estimate.Observe(t, done, total);
    };
    estimate.Observe(t, done, total);
    for (int i = 0; i < 10; ++i) step(100 * kMB);
    const std::int64_t fast = *estimate.Seconds();
    EXPECT_EQ(fast, 90);
    // A stall of a few seconds: the estimate rises, but never by more than a
    // quarter (or five seconds) per second.
    std::int64_t previous = fast;
    for (int i = 0; i < 5; ++i) {
        step(0);
        ASSERT_TRUE(estimate.Seconds());
        EXPECT_LE(*estimate.Seconds(),
                  std::max<std::int64_t>((previous - 1) * 5 / 4 + 1, previous + 4));
        previous = *estimate.Seconds();
    }
    // Then a steady 10 MB a second: the estimate settles on the truth.
    for (int i = 0; i < 120; ++i) step(10 * kMB);
    const double truth = static_cast<double>(total - done) / (10 * kMB);
    EXPECT_NEAR(static_cast<double>(*estimate.Seconds()), truth, truth * 0.02 + 1);
}

TEST(RemainingTimeTest, Texts) {
    EXPECT_EQ(DurationText(12), "0:12");
    EXPECT_EQ(DurationText(725), "12:05");
    EXPECT_EQ(DurationText(3723), "1:02:03");
    EXPECT_EQ(ByteAmountText(512), "512 B");
    EXPECT_EQ(ByteAmountText(12 * 1024 + 400), "12.3 KB");
    EXPECT_EQ(ByteAmountText(5 * 1024 * kMB / 4), "1.25 GB");
    EXPECT_EQ(ProgressDetailText(3 * kMB, 12 * kMB, 12), "3.00 MB / 12.0 MB  残り 0:12");
}

}  // namespace
}  // namespace nebu::test
