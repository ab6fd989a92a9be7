#include "checking/portable/QuietRules.h"

#include <gtest/gtest.h>

using namespace checking;

TEST(QuietHours, HoldFromTheFirstMinuteUpToTheLastAlsoAcrossMidnight) {
  const QuietHours night{22 * 60, 7 * 60};
  EXPECT_FALSE(InQuietHours(night, 22 * 60 - 1));
  EXPECT_TRUE(InQuietHours(night, 22 * 60));
  EXPECT_TRUE(InQuietHours(night, 0));
  EXPECT_TRUE(InQuietHours(night, 7 * 60 - 1));
  EXPECT_FALSE(InQuietHours(night, 7 * 60));
  const QuietHours lunch{12 * 60, 13 * 60};
  EXPECT_TRUE(InQuietHours(lunch, 12 * 60 + 30));
  EXPECT_FALSE(InQuietHours(lunch, 13 * 60));
  EXPECT_FALSE(InQuietHours(lunch, 0));
  // Equal ends never hold a notice for good.
  for (const std::int32_t minute : {0, 9 * 60, kMinutesPerDay - 1}) EXPECT_FALSE(InQuietHours({9 * 60, 9 * 60}, minute));
}

TEST(QuietHours, TimesReadOnlyAsHoursAndMinutesOfTheDay) {
  EXPECT_EQ(ParseClockTime("22:00"), 22 * 60);
  EXPECT_EQ(ParseClockTime("7:05"), 7 * 60 + 5);
  EXPECT_EQ(ParseClockTime("00:00"), 0);
  EXPECT_EQ(ParseClockTime("23:59"), kMinutesPerDay - 1);
  for (const char* bad : {"", "24:00", "12:60", "12:5", "123:00", "12:000", ":30", "12-30", "1a:00", "-1:00", " 7:00"})
    EXPECT_EQ(ParseClockTime(bad), std::nullopt) << bad;
  EXPECT_EQ(ClockTimeText(7 * 60 + 5), "07:05");
  EXPECT_EQ(ClockTimeText(kMinutesPerDay - 1), "23:59");
}

// Busy, full screen with or without Direct3D, presentation and quiet time hold; away or at ease do not.
TEST(QuietHours, OnlyTheStatesOfABusyUserHoldNotices) {
  for (const std::int32_t state : {2, 3, 4, 6}) EXPECT_TRUE(StateHoldsNotices(state)) << state;
  for (const std::int32_t state : {0, 1, 5, 7, 8, -1}) EXPECT_FALSE(StateHoldsNotices(state)) << state;
}

TEST(HeldNotices, OneSummaryNamesTheFirstTenInOrderCountsTheRestAndEmptiesTheStore) {
  HeldNotices held;
  EXPECT_TRUE(held.Empty());
  held.Hold(u"'自宅' に 2 通のメールが届いています。");
  held.Hold(u"'会社' に接続できません。\n理由");
  EXPECT_FALSE(held.Empty());
  EXPECT_EQ(held.TakeSummary(),
            u"通知を控えていた間のお知らせ (2 件):\n'自宅' に 2 通のメールが届いています。\n'会社' に接続できません。\n理由");
  EXPECT_TRUE(held.Empty());

  for (int i = 0; i < 13; ++i) held.Hold(u"n");
  std::u16string expected = u"通知を控えていた間のお知らせ (13 件):";
  for (std::size_t i = 0; i < kMaxHeldLines; ++i) expected += u"\nn";
  EXPECT_EQ(held.TakeSummary(), expected + u"\nほか 3 件");
  EXPECT_TRUE(held.Empty());
}
