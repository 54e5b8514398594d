// The start-up settings of the programs: the user's time zone is never
// replaced, and the open-file limit is raised without being lowered.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/ProcessSetup.h"

namespace nebu::test {
namespace {

TEST(ProcessSetupTest, KeepsTheUsersZoneAndRaisesTheOpenFileLimitOnlyUpward) {
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);

    ::setenv("TZ", "Asia/Tokyo", 1);
    rlimit low = saved;
    low.rlim_cur = std::min<rlim_t>(256, saved.rlim_max);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    platform::PrepareProcess();
    EXPECT_STREQ(std::getenv("TZ"), "Asia/Tokyo");
    rlimit raised{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &raised), 0);
    EXPECT_EQ(raised.rlim_cur, std::min<rlim_t>(4096, saved.rlim_max));

    // Unset, the zone becomes the one the system would use anyway; a higher
    // limit than wanted stays as it was.
    ::unsetenv("TZ");
    low.rlim_cur = saved.rlim_max;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    platform::PrepareProcess();
    EXPECT_STREQ(std::getenv("TZ"), ":/etc/localtime");
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &raised), 0);
    EXPECT_EQ(raised.rlim_cur, saved.rlim_max);

    ::setrlimit(RLIMIT_NOFILE, &saved);
    ::unsetenv("TZ");
}

}  // namespace
}  // namespace nebu::test
