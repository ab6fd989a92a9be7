#include "app/portable/WakeClock.h"

#include <gtest/gtest.h>

namespace {
constexpr std::uint32_t kHalfHour = 30 * 60000;
constexpr std::uint64_t kUptime = 5'000'000'000;  // far past where 32-bit tick counts wrap
}  // namespace

TEST(WakeClock, OnlyATickFarLaterThanDueStandsForAResume) {
  WakeClock clock(kUptime);
  EXPECT_FALSE(clock.Tick(kUptime + kHalfHour, kHalfHour));
  // Held up behind a busy spell of a whole period and more: still no sleep.
  EXPECT_FALSE(clock.Tick(kUptime + 3 * kHalfHour + 60000, kHalfHour));
  // Each tick starts the next period, so lateness is measured from the tick before, not from the start.
  EXPECT_TRUE(clock.Tick(kUptime + 6 * kHalfHour + 60001, kHalfHour));
  EXPECT_FALSE(clock.Tick(kUptime + 7 * kHalfHour + 60001, kHalfHour));

  // A restarted timer counts from its restart: a long disabled spell is no sleep.
  WakeClock restarted(0);
  restarted.PeriodStarted(10 * kHalfHour);
  EXPECT_FALSE(restarted.Tick(11 * kHalfHour, kHalfHour));
}

TEST(WakeClock, AResumeNoticeRightAfterALateTickIsServedByTheTicksCheck) {
  WakeClock clock(kUptime);
  EXPECT_TRUE(clock.ResumeWantsCheck(kUptime + 1000));
  ASSERT_TRUE(clock.Tick(kUptime + 10 * kHalfHour, 60000));
  EXPECT_FALSE(clock.ResumeWantsCheck(kUptime + 10 * kHalfHour + 2000));
  // A later resume is another wake-up.
  EXPECT_TRUE(clock.ResumeWantsCheck(kUptime + 10 * kHalfHour + 60000));
}
