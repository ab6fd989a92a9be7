#include <gtest/gtest.h>

#include "toolkit/portable/IntText.h"

TEST(IniInteger, DecimalAndHexadecimalWithLeadingSpacesAndSign) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"10", 10}, {"0", 0}, {"007", 7}, {"  30", 30}, {"+5", 5}, {"-5", -5}, {" -5", -5},
      {"0x0A", 10}, {"0X0a", 10}, {"$a", 10}, {"$FF", 255}, {"-$A", -10}, {"+0x10", 16},
      {"0x00000000FF", 255}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
      {"$7FFFFFFF", 2147483647}, {"$FFFFFFFF", -1}, {"0x80000000", -2147483647 - 1}};
  for (const auto& [text, value] : cases) {
    const auto parsed = ParseInteger(text);
    ASSERT_TRUE(parsed) << text;
    EXPECT_EQ(*parsed, value) << text;
  }
}

TEST(IniInteger, AnythingElseIsNoInteger) {
  for (const char* text : {"", " ", "abc", "-", "+", "$", "0x", "0X", "1 ", "1a", "0x1G", "\t5", "- 5", "++5",
                           "1.5", "x10", "0x-5", "$ 5", "2147483648", "-2147483649", "0x100000000",
                           "99999999999999999999"}) {
    EXPECT_FALSE(ParseInteger(text)) << '"' << text << '"';
  }
}

TEST(IniInteger, DefaultForNonIntegersAndDecimalText) {
  EXPECT_EQ(StrToIntDef("abc", 30), 30);
  EXPECT_EQ(StrToIntDef("", 30), 30);
  EXPECT_EQ(StrToIntDef("0x0A", 30), 10);
  EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToStr(75), "75");
}
