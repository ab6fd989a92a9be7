#include "toolkit/Cp932.h"

#include <gtest/gtest.h>

TEST(Cp932, LeadBytesAreTheTwoShiftJisRanges) {
  EXPECT_FALSE(cp932::IsLeadByte(0x80));
  EXPECT_TRUE(cp932::IsLeadByte(0x81));
  EXPECT_TRUE(cp932::IsLeadByte(0x9F));
  EXPECT_FALSE(cp932::IsLeadByte(0xA0));
  EXPECT_FALSE(cp932::IsLeadByte(0xB1));  // half-width katakana are single bytes
  EXPECT_FALSE(cp932::IsLeadByte(0xDF));
  EXPECT_TRUE(cp932::IsLeadByte(0xE0));
  EXPECT_TRUE(cp932::IsLeadByte(0xFC));
  EXPECT_FALSE(cp932::IsLeadByte(0xFD));
}

TEST(Cp932, TruncationNeverSplitsADoubleByteCharacter) {
  const std::string text = "a\x82\xb7\x82\xe9";  // "a" + "する"
  EXPECT_EQ(cp932::TruncateChars(text, 2), "a");
  EXPECT_EQ(cp932::TruncateChars(text, 3), "a\x82\xb7");
  EXPECT_EQ(cp932::TruncateChars(text, 10), text);
  // A second byte that looks like a lead byte is still part of its character.
  const std::string tricky = "\x81\x81\x81";
  EXPECT_EQ(cp932::NextChar(tricky, 0), 2u);
  EXPECT_EQ(cp932::NextChar(tricky, 2), 3u);
}
