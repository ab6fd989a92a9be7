// The sources are UTF-8 and their narrow texts compile to code page 932: these are the bytes that
// account.dat and the POP3 commands carry, written out so that a change of the compiler's text
// encoding shows here rather than in a user's file. Built natively and with mingw.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "accounts/portable/AccountFile.h"
#include "accounts/portable/AccountTexts.h"

namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

TEST(StoredText, JapaneseTextsAreTheirCodePage932Bytes) {
  EXPECT_EQ(accounts::kInclude, Bytes({0x82, 0xb7, 0x82, 0xe9}));
  EXPECT_EQ(accounts::kActionMessage, Bytes({0xd2, 0xaf, 0xbe, 0xb0, 0xbc, 0xde}));
  EXPECT_EQ(accounts::kActionCdTray, Bytes({'C', 'D', 0xc4, 0xda, 0xb2}));
  // 表 ends in 0x5C, the backslash byte; the file keeps it as it is.
  EXPECT_EQ(std::string("表"), Bytes({0x95, 0x5c}));
  accounts::AccountTable table;
  table.SetRowCount(3);
  table.SetCell(accounts::ColName, 1, "表");
  table.SetCell(accounts::ColSoundFile, 1, "C:\\表.wav");
  EXPECT_EQ(accounts::SaveAccounts(table, "\""),
            Bytes({'"', 0x95, 0x5c, '"', ',', ',', ',', ',', ',', ',', 'C', ':', 0x5c, 0x95, 0x5c, '.', 'w', 'a', 'v',
                   '\r', '\n'}));
}
