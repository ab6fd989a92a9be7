#include "toolkit/Text.h"

#include <gtest/gtest.h>

TEST(Text, Cp932RoundTripsThroughUtf16WhateverTheAnsiCodePage) {
  const std::string suru = "\x82\xb7\x82\xe9";           // する
  const std::string halfWidth = "\xd2\xaf\xbe\xb0\xbc\xde";  // ﾒｯｾｰｼﾞ
  EXPECT_EQ(Widen(suru), L"\u3059\u308b");
  EXPECT_EQ(Widen(halfWidth), L"\uff92\uff6f\uff7e\uff70\uff7c\uff9e");
  EXPECT_EQ(Narrow(Widen(suru + "abc" + halfWidth)), suru + "abc" + halfWidth);
  EXPECT_EQ(ToUtf8(Widen(suru)), "\xe3\x81\x99\xe3\x82\x8b");
  EXPECT_EQ(Narrow(FromUtf8("\xe3\x81\x99\xe3\x82\x8b")), suru);
}
