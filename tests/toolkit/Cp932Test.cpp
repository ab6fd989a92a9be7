#include "toolkit/portable/Cp932.h"

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
  const std::string text = "aする";
  EXPECT_EQ(cp932::TruncateChars(text, 2), "a");
  EXPECT_EQ(cp932::TruncateChars(text, 3), "aす");
  EXPECT_EQ(cp932::TruncateChars(text, 10), text);
  // A second byte that looks like a lead byte is still part of its character.
  const std::string tricky = "\x81\x81\x81";
  EXPECT_EQ(cp932::NextChar(tricky, 0), 2u);
  EXPECT_EQ(cp932::NextChar(tricky, 2), 3u);
}

#include "toolkit/portable/ErrorText.h"

#include <new>
#include <stdexcept>

#include "toolkit/portable/Exception.h"

TEST(ErrorDialogText, AppendsAPeriodOnlyAfterCharactersAboveIt) {
  EXPECT_EQ(ErrorDialogText(""), "");
  EXPECT_EQ(ErrorDialogText("Connection Failed"), "Connection Failed.");
  EXPECT_EQ(ErrorDialogText("done."), "done.");
  EXPECT_EQ(ErrorDialogText("line\r\n"), "line\r\n");  // CR LF sort below "."
  EXPECT_EQ(ErrorDialogText("a-"), "a-");
  EXPECT_EQ(ErrorDialogText("a/"), "a/.");
  // A message ending in a Japanese character (trail byte above ".") gets the period.
  EXPECT_EQ(ErrorDialogText("開けません"), "開けません.");
}

TEST(CurrentExceptionMessage, EveryExceptionGetsAText) {
  const auto messageOf = [](auto thrown) {
    try {
      throw thrown;
    } catch (...) {
      return CurrentExceptionMessage();
    }
  };
  EXPECT_EQ(messageOf(Exception("Connection Failed")), "Connection Failed");
  EXPECT_EQ(messageOf(std::bad_alloc()), "メモリが不足しています");
  EXPECT_EQ(messageOf(std::out_of_range("vector")), "内部エラーが発生しました: vector");
  EXPECT_EQ(messageOf(42), "内部エラーが発生しました");
}
