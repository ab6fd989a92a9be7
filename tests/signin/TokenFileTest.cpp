#include "signin/portable/TokenFile.h"

#include <gtest/gtest.h>

#include "toolkit/portable/Exception.h"

TEST(TokenFile, RoundTripsAnyKeyAndBlob) {
  const std::vector<TTokenRecord> records = {{"Microsoft", "taro@example.jp", std::string("\x01\x00\xFF\x80", 4)},
                                             {"password", "山田\t%41\r\n", ""},
                                             {"Test", "a", std::string(kMaxTokenBlobBytes, '\x7F')}};
  const std::string text = FormatTokenFile(records);
  EXPECT_TRUE(text.starts_with("PELMORA-SECRETS 1\r\nMicrosoft\ttaro@example.jp\tAQD/gA==\r\npassword\t山田%09%2541%0D%0A\t\r\n"));
  EXPECT_EQ(ParseTokenFile(text), records);
  EXPECT_TRUE(ParseTokenFile("").empty());
  EXPECT_THROW(FormatTokenFile({{"Test", "", "b"}}), Exception);
  EXPECT_THROW(FormatTokenFile({{"Test", "a", std::string(kMaxTokenBlobBytes + 1, 'b')}}), Exception);
}

TEST(TokenFile, SkipsMalformedLinesAndRefusesAnotherFormat) {
  const std::vector<TTokenRecord> read = ParseTokenFile(
      "PELMORA-SECRETS 1\n"
      "Google\tx\tYg==\n"
      "no tabs\n"
      "Google\ty\tnot base64!\n"
      "Google\t%zz\tYg==\n"
      "\tz\tYg==\n"
      "Google\tx\tYw==\r\n"   // the later record of a key wins
      "Google\tw\tZA");
  EXPECT_EQ(read, (std::vector<TTokenRecord>{{"Google", "x", "c"}, {"Google", "w", "d"}}));
  EXPECT_THROW(ParseTokenFile("PELMORA-SECRETS 2\r\n"), Exception);
  EXPECT_THROW(ParseTokenFile("Google\tx\tYg==\r\n"), Exception);
}

TEST(TokenFile, FindsPutsAndRemovesByProviderAndUser) {
  std::vector<TTokenRecord> records;
  PutTokenRecord(records, {"Google", "x", "1"});
  PutTokenRecord(records, {"password", "x", "2"});
  PutTokenRecord(records, {"Google", "x", "3"});
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(FindTokenRecord(records, "Google", "x")->Blob, "3");
  EXPECT_EQ(FindTokenRecord(records, "Google", "X"), nullptr);
  RemoveTokenRecord(records, "Google", "x");
  EXPECT_EQ(FindTokenRecord(records, "Google", "x"), nullptr);
  EXPECT_EQ(records.size(), 1u);
}
