#include "desktop/portable/SpinRules.h"

#include <gtest/gtest.h>

#include <limits>

namespace {
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
}  // namespace

TEST(SpinRead, ANumberBeingTypedReadsAsTypedWithoutClampingOrRewriting) {
  for (const auto& [text, value] : {std::pair{"0", 0}, {"75", 75}, {"-3", -3}, {" 7", 7}, {"$1F", 31}}) {
    const SpinReading reading = ReadSpinText(text, 1, "");
    EXPECT_EQ(reading.Value, value) << text;
    EXPECT_FALSE(reading.NewText) << text;
  }
}

TEST(SpinRead, EmptySignAloneOrGarbageReadsAsMinimumAndIsReplacedByIt) {
  for (const char* text : {"", "-", "+", "abc", "7 ", "1.5", "99999999999"}) {
    const SpinReading reading = ReadSpinText(text, 1, "");
    EXPECT_EQ(reading.Value, 1) << text;
    ASSERT_TRUE(reading.NewText) << text;
    EXPECT_EQ(*reading.NewText, "1") << text;
  }
}

TEST(SpinRead, SuffixIsDroppedForReadingAndKeptWhenWriting) {
  EXPECT_EQ(ReadSpinText("30 min", 1, " min").Value, 30);
  EXPECT_FALSE(ReadSpinText("30 min", 1, " min").NewText);
  const SpinReading bad = ReadSpinText("min", 5, " min");
  EXPECT_EQ(bad.Value, 5);
  EXPECT_EQ(bad.NewText.value_or(""), "5 min");
  EXPECT_EQ(SpinText(-12, " min"), "-12 min");
  EXPECT_EQ(SpinText(59, ""), "59");
}

TEST(SpinClamp, KeepsBetweenBoundsUnlessTheyAreEqual) {
  EXPECT_EQ(SpinClamp(0, 1, 59), 1);
  EXPECT_EQ(SpinClamp(75, 1, 59), 59);
  EXPECT_EQ(SpinClamp(30, 1, 59), 30);
  EXPECT_EQ(SpinClamp(1, 1, 59), 1);
  EXPECT_EQ(SpinClamp(59, 1, 59), 59);
  EXPECT_EQ(SpinClamp(-500, 7, 7), -500);
  EXPECT_EQ(SpinClamp(500, 7, 7), 500);
}

TEST(SpinStep, StepsAreClampedAndNeverWrapAroundThe32BitRange) {
  EXPECT_EQ(SpinStep(59, 1, 1, 59), 59);    // up arrow at the top
  EXPECT_EQ(SpinStep(55, 10, 1, 59), 59);   // Page Up from 55
  EXPECT_EQ(SpinStep(5, -10, 1, 59), 1);    // Page Down from 5
  EXPECT_EQ(SpinStep(30, -1, 1, 59), 29);
  EXPECT_EQ(SpinStep(75, -1, 1, 59), 59);   // a typed number above the range steps from its clamped form
  EXPECT_EQ(SpinStep(kMax32, 1, 0, 0), kMax32);
  EXPECT_EQ(SpinStep(kMin32, -1, 0, 0), kMin32);
  EXPECT_EQ(SpinStep(kMax32, 1, kMin32, kMax32), kMax32);
  EXPECT_EQ(SpinStep(0, -static_cast<std::int64_t>(kMin32), kMin32, kMax32), kMax32);
}

TEST(SpinChars, OnlySignsDigitsAndControlCharactersAreTyped) {
  for (std::uint32_t c : std::initializer_list<std::uint32_t>{'0', '5', '9', '+', '-', 0x08u, 0x03u, 0x16u, 0x18u, 0x1Au, 0x1Bu, 0x7Fu})
    EXPECT_TRUE(IsSpinChar(c)) << c;
  for (std::uint32_t c : std::initializer_list<std::uint32_t>{'a', 'x', '$', '.', ' ', '/', ':', 0xFF10u /* full-width 0 */, 0x3042u})
    EXPECT_FALSE(IsSpinChar(c)) << c;
}

TEST(SpinHitTest, TheDiagonalItselfBelongsToTheUpperHalf) {
  // A 16-pixel button: the diagonal runs where x + y == 16.
  struct Case {
    int x, y;
    SpinHalf half;
  };
  for (const Case c : {Case{0, 0, SpinHalf::Up}, {15, 15, SpinHalf::Down}, {0, 15, SpinHalf::Up},
                       {15, 0, SpinHalf::Up}, {1, 15, SpinHalf::Up}, {2, 15, SpinHalf::Down},
                       {15, 1, SpinHalf::Up}, {15, 2, SpinHalf::Down}, {8, 8, SpinHalf::Up},
                       {8, 9, SpinHalf::Down}, {9, 8, SpinHalf::Down}, {7, 9, SpinHalf::Up}}) {
    EXPECT_EQ(SpinHitTest(c.x, c.y, 16, 16), c.half) << c.x << "," << c.y;
  }
}

TEST(SpinHitTest, OutsideTheButtonIsNeitherHalf) {
  for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {16, 0}, {0, 16}, {16, 16}, {-5, 20}})
    EXPECT_EQ(SpinHitTest(x, y, 16, 16), SpinHalf::None) << x << "," << y;
  EXPECT_EQ(SpinHitTest(0, 0, 0, 0), SpinHalf::None);
}

TEST(SpinHitTest, TheSlopeOfAnOblongButtonIsNotRounded) {
  // Width / height is 1/2 here: the line is y = 20 - x / 2, which an integer ratio would flatten to y = 20.
  EXPECT_EQ(SpinHitTest(2, 19, 10, 20), SpinHalf::Up);    // on the line
  EXPECT_EQ(SpinHitTest(3, 19, 10, 20), SpinHalf::Down);  // 19 > 18.5
  EXPECT_EQ(SpinHitTest(9, 15, 10, 20), SpinHalf::Up);    // 15 > 15.5 is false
  EXPECT_EQ(SpinHitTest(9, 16, 10, 20), SpinHalf::Down);
  EXPECT_EQ(SpinHitTest(5, 0, 20, 10), SpinHalf::Up);     // ratio 2: the line is y = 10 - 2x
  EXPECT_EQ(SpinHitTest(5, 1, 20, 10), SpinHalf::Down);
}

TEST(SpinGeometry, SquareButtonFillsTheClientHeightAtTheRightEdge) {
  const SpinButtonBox sunken = SpinButtonPlace(110, 20, 1, true);
  EXPECT_EQ(sunken.Left, 90);
  EXPECT_EQ(sunken.Side, 16);
  const SpinButtonBox flat = SpinButtonPlace(110, 20, 1, false);
  EXPECT_EQ(flat.Left, 90);
  EXPECT_EQ(flat.Side, 20);
  EXPECT_EQ(SpinButtonPlace(110, 24, 2, true).Side, 16);
}

TEST(SpinGeometry, MinimumHeightUsesAQuarterOfTheSmallerFontHeight) {
  EXPECT_EQ(SpinMinHeight(12, 16, 1, true), 12 + 3 + 4);
  EXPECT_EQ(SpinMinHeight(20, 16, 1, true), 20 + 4 + 4);
  EXPECT_EQ(SpinMinHeight(12, 16, 1, false), 15);
  EXPECT_EQ(SpinMinHeight(13, 16, 2, true), 13 + 3 + 8);
}

TEST(SpinPicture, FourPictures) {
  EXPECT_EQ(SpinPictureFor(true, SpinHalf::None), SpinPicture::Normal);
  EXPECT_EQ(SpinPictureFor(true, SpinHalf::Up), SpinPicture::UpPressed);
  EXPECT_EQ(SpinPictureFor(true, SpinHalf::Down), SpinPicture::DownPressed);
  EXPECT_EQ(SpinPictureFor(false, SpinHalf::Up), SpinPicture::Disabled);
  EXPECT_EQ(SpinPictureFor(false, SpinHalf::None), SpinPicture::Disabled);
}

TEST(SpinRepeat, FirstRepeatAfterIntervalPlus200ThenEveryInterval) {
  SpinRepeat repeat;
  EXPECT_EQ(repeat.Press(SpinHalf::Up, 100), 300u);
  EXPECT_TRUE(repeat.Held());
  EXPECT_EQ(repeat.ShownPressed(), SpinHalf::Up);
  SpinRepeat::TickResult tick = repeat.Tick();
  EXPECT_EQ(tick.Step, SpinHalf::Up);
  EXPECT_TRUE(tick.SwitchPeriod);
  for (int i = 0; i < 3; ++i) {
    tick = repeat.Tick();
    EXPECT_EQ(tick.Step, SpinHalf::Up);
    EXPECT_FALSE(tick.SwitchPeriod);
  }
  EXPECT_EQ(SpinRepeat{}.Press(SpinHalf::Down, 20), 220u);
}

TEST(SpinRepeat, OffTheFirstHalfPausesStepsAndPictureBackResumes) {
  SpinRepeat repeat;
  repeat.Press(SpinHalf::Down, 100);
  EXPECT_TRUE(repeat.Move(SpinHalf::None));  // off the button
  EXPECT_EQ(repeat.ShownPressed(), SpinHalf::None);
  SpinRepeat::TickResult tick = repeat.Tick();
  EXPECT_EQ(tick.Step, SpinHalf::None);
  EXPECT_TRUE(tick.SwitchPeriod);  // the period still switches while paused
  EXPECT_FALSE(repeat.Move(SpinHalf::Up));  // the other half is still off
  EXPECT_EQ(repeat.Tick().Step, SpinHalf::None);
  EXPECT_TRUE(repeat.Move(SpinHalf::Down));
  EXPECT_EQ(repeat.ShownPressed(), SpinHalf::Down);
  EXPECT_FALSE(repeat.Move(SpinHalf::Down));
  EXPECT_EQ(repeat.Tick().Step, SpinHalf::Down);
}

TEST(SpinRepeat, ReleaseEndsEverything) {
  SpinRepeat repeat;
  repeat.Press(SpinHalf::Up, 100);
  repeat.Release();
  EXPECT_FALSE(repeat.Held());
  EXPECT_EQ(repeat.ShownPressed(), SpinHalf::None);
  EXPECT_EQ(repeat.Tick().Step, SpinHalf::None);
  EXPECT_FALSE(repeat.Move(SpinHalf::Up));
  EXPECT_EQ(repeat.Tick().Step, SpinHalf::None);
}
