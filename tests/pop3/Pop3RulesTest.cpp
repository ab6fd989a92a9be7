#include "pop3/portable/Pop3Rules.h"

#include <gtest/gtest.h>

#include <limits>

TEST(GetField, SplitsAReplyAtBlanksAndKeepsTheLineEndOnTheLastField) {
  const std::string reply = "+OK 2 320\r\n";
  EXPECT_EQ(GetField(reply, ' ', 1), "+OK");
  EXPECT_EQ(GetField(reply, ' ', 2), "2");
  EXPECT_EQ(GetField(reply, ' ', 3), "320\r\n");
  EXPECT_EQ(GetField(reply, ' ', 4), "");
}

TEST(GetField, EmptyTextConsecutiveSeparatorsAndBadIndexGiveEmptyFields) {
  EXPECT_EQ(GetField("", ' ', 1), "");
  EXPECT_EQ(GetField("+OK  5", ' ', 2), "");
  EXPECT_EQ(GetField("+OK  5", ' ', 3), "5");
  EXPECT_EQ(GetField("a,b", ',', 0), "");
  EXPECT_EQ(GetField("abc", ' ', 1), "abc");
  EXPECT_EQ(GetField(" abc", ' ', 1), "");
}

TEST(IsPositiveReply, LooksForPlusOkAnywhereInTheFirstFieldOnly) {
  EXPECT_TRUE(IsPositiveReply("+OK Dovecot (Debian) ready.\r\n"));
  EXPECT_TRUE(IsPositiveReply("+OK\r\n"));
  EXPECT_TRUE(IsPositiveReply("x+OKx rest"));
  EXPECT_FALSE(IsPositiveReply("+ok ready\r\n"));
  EXPECT_FALSE(IsPositiveReply("-ERR [AUTH] Authentication failed.\r\n"));
  EXPECT_FALSE(IsPositiveReply("ready +OK\r\n"));
  EXPECT_FALSE(IsPositiveReply(""));
}

TEST(ConvertCount, AcceptsBlanksSignDecimalAndThreeHexForms) {
  EXPECT_EQ(ConvertCount("5"), 5);
  EXPECT_EQ(ConvertCount("  42"), 42);
  EXPECT_EQ(ConvertCount("+7"), 7);
  EXPECT_EQ(ConvertCount("-7"), -7);
  EXPECT_EQ(ConvertCount("$1F"), 31);
  EXPECT_EQ(ConvertCount("x10"), 16);
  EXPECT_EQ(ConvertCount("0x10"), 16);
  EXPECT_EQ(ConvertCount("0X1a"), 26);
  EXPECT_EQ(ConvertCount("2147483647"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(ConvertCount("-2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ConvertCount("$FFFFFFFF"), -1);
}

TEST(ConvertCount, AnythingThatDoesNotConvertAsAWholeGivesZero) {
  EXPECT_EQ(ConvertCount(""), 0);
  EXPECT_EQ(ConvertCount("   "), 0);
  EXPECT_EQ(ConvertCount("5\r\n"), 0);
  EXPECT_EQ(ConvertCount("5 "), 0);
  EXPECT_EQ(ConvertCount("12a"), 0);
  EXPECT_EQ(ConvertCount("-"), 0);
  EXPECT_EQ(ConvertCount("0x"), 0);
  EXPECT_EQ(ConvertCount("$G"), 0);
  EXPECT_EQ(ConvertCount("2147483648"), 0);
  EXPECT_EQ(ConvertCount("-2147483649"), 0);
  EXPECT_EQ(ConvertCount("99999999999999999999999"), 0);
  EXPECT_EQ(ConvertCount("$100000000"), 0);
}

TEST(StatMessageCount, TakesTheSecondFieldOfTheReply) {
  EXPECT_EQ(StatMessageCount("+OK 5 12345\r\n"), 5);
  EXPECT_EQ(StatMessageCount("+OK 3 708\r\n"), 3);
  EXPECT_EQ(StatMessageCount("+OK 0 0\r\n"), 0);
  EXPECT_EQ(StatMessageCount("+OK  5 100\r\n"), 0);  // two blanks: field 2 is empty
  EXPECT_EQ(StatMessageCount("+OK 7\r\n"), 0);       // the field carries the line end
  EXPECT_EQ(StatMessageCount("+OK 7\n"), 0);
  EXPECT_EQ(StatMessageCount("+OK\r\n"), 0);
}

TEST(WithTrailingBackslash, AddsExactlyOneBackslash) {
  EXPECT_EQ(WithTrailingBackslash("."), ".\\");
  EXPECT_EQ(WithTrailingBackslash("C:\\mail\\"), "C:\\mail\\");
  EXPECT_EQ(WithTrailingBackslash("C:\\mail"), "C:\\mail\\");
  EXPECT_EQ(WithTrailingBackslash(""), "");
}
