#include "transport/portable/SockErrors.h"

#include <gtest/gtest.h>

#include <set>

#include "toolkit/portable/Exception.h"

TEST(SockErrorText, JoinsCodeAndTextWithAColonAndNoBlank) {
  EXPECT_EQ(SockErrorText(10061), "10061:Connection refused");
  EXPECT_EQ(SockErrorText(10004), "10004:Interrupted system call");
  EXPECT_EQ(SockErrorText(10057), "10057:Socket is not connected");
  EXPECT_EQ(SockErrorText(10047), "10047:Address family not supported by protocol family");
  EXPECT_EQ(SockErrorText(11003), "11003:Non-Recoverable error: FORMERR, REFUSED, NOTIMP");
  EXPECT_EQ(SockErrorText(11004), "11004:Valid name, no data record of requested type");
}

TEST(SockErrorText, UnknownCodesAndZero) {
  EXPECT_EQ(SockErrorText(12345), "Unknown Error No. 12345");
  EXPECT_EQ(SockErrorText(10000), "Unknown Error No. 10000");
  EXPECT_EQ(SockErrorText(10072), "Unknown Error No. 10072");
  EXPECT_EQ(SockErrorText(-1), "Unknown Error No. -1");
  EXPECT_EQ(SockErrorText(0), "");
}

TEST(SockErrorText, EveryCodeOfTheTableHasItsOwnText) {
  const int codes[] = {10004, 10009, 10013, 10014, 10022, 10024, 10035, 10036, 10037, 10038, 10039, 10040, 10041,
                       10042, 10043, 10044, 10045, 10046, 10047, 10048, 10049, 10050, 10051, 10052, 10053, 10054,
                       10055, 10056, 10057, 10058, 10059, 10060, 10061, 10062, 10063, 10064, 10065, 10066, 10067,
                       10068, 10069, 10070, 10071, 10091, 10092, 10093, 11001, 11002, 11003, 11004};
  std::set<std::string> texts;
  for (int code : codes) {
    const std::string text = SockErrorText(code);
    EXPECT_EQ(text.rfind(std::to_string(code) + ":", 0), 0u) << text;
    EXPECT_LE(text.size() - 6, 51u) << text;
    texts.insert(text.substr(6));
  }
  EXPECT_EQ(texts.size(), std::size(codes));
}

TEST(ReplyCodeOf, LeadingDigitsOnly) {
  EXPECT_EQ(ReplyCodeOf("250 ok\r\n"), 250);
  EXPECT_EQ(ReplyCodeOf("+OK 250\r\n"), 0);
  EXPECT_EQ(ReplyCodeOf("-ERR\r\n"), 0);
  EXPECT_EQ(ReplyCodeOf("-250\r\n"), 0);
  EXPECT_EQ(ReplyCodeOf(""), 0);
  EXPECT_EQ(ReplyCodeOf("32767"), 32767);
  EXPECT_EQ(ReplyCodeOf("007x"), 7);
}

TEST(ReplyCodeOf, ValuesOutsideTheCodeRange) {
  EXPECT_THROW(ReplyCodeOf("32768 big\r\n"), ERangeError);
  EXPECT_THROW(ReplyCodeOf("2147483647\r\n"), ERangeError);
  // Beyond the signed 32-bit range the digits give 0; only the first 10 digits count.
  EXPECT_EQ(ReplyCodeOf("2147483648\r\n"), 0);
  EXPECT_EQ(ReplyCodeOf("9999999999\r\n"), 0);
  EXPECT_THROW(ReplyCodeOf("12345678901\r\n"), ERangeError);
}
