#include "toolkit/Text.h"

#include <gtest/gtest.h>

#include "tests/support/Utf8.h"

TEST(Text, Cp932RoundTripsThroughUtf16WhateverTheAnsiCodePage) {
  const std::string suru = "する";
  const std::string halfWidth = "ﾒｯｾｰｼﾞ";
  EXPECT_EQ(Widen(suru), L"する");
  EXPECT_EQ(Widen(halfWidth), L"ﾒｯｾｰｼﾞ");
  EXPECT_EQ(Narrow(Widen(suru + "abc" + halfWidth)), suru + "abc" + halfWidth);
  EXPECT_EQ(ToUtf8(Widen(suru)), "\xe3\x81\x99\xe3\x82\x8b");
  EXPECT_EQ(Narrow(FromUtf8("\xe3\x81\x99\xe3\x82\x8b")), suru);
}
