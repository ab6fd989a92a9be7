#include "checking/portable/WatchRules.h"

#include <gtest/gtest.h>

using checking::RenewDelayMs;
using checking::RetryDelayMs;
using checking::WatchTiming;

TEST(WatchRules, RetriesAtOnceThenDoublingToTheMaximumWithAtMostHalfTakenOff) {
  const WatchTiming timing;
  EXPECT_EQ(RetryDelayMs(timing, 1, 0.9), 0u);
  EXPECT_EQ(RetryDelayMs(timing, 2, 0.0), 1000u);
  EXPECT_EQ(RetryDelayMs(timing, 3, 0.0), 2000u);
  EXPECT_EQ(RetryDelayMs(timing, 4, 0.5), 3000u);
  EXPECT_EQ(RetryDelayMs(timing, 10, 0.0), 256000u);
  EXPECT_EQ(RetryDelayMs(timing, 11, 0.0), 300000u);
  EXPECT_EQ(RetryDelayMs(timing, 4000000000u, 0.0), 300000u);
  EXPECT_EQ(RetryDelayMs(timing, 4000000000u, 1.0), 150000u);
}

TEST(WatchRules, RenewsBetweenNineAndTenMinutes) {
  const WatchTiming timing;
  EXPECT_EQ(RenewDelayMs(timing, 0.0), 540000u);
  EXPECT_EQ(RenewDelayMs(timing, 0.5), 570000u);
  EXPECT_LE(RenewDelayMs(timing, 0.999999), 600000u);
  EXPECT_EQ(RenewDelayMs(WatchTiming{1000, 5000, 300, 100}, 0.7), 300u);
}
