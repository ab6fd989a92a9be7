#include "accounts/portable/StoredPasswords.h"

#include <gtest/gtest.h>

#include "accounts/portable/AccountFile.h"
#include "toolkit/portable/Exception.h"

namespace {

using namespace accounts;

// Stands in for DPAPI: a blob the test can tell from the password, and one that does not open.
std::string Seal(std::string_view password) { return "sealed:" + std::string(password.rbegin(), password.rend()); }
std::string Open(std::string_view blob) {
  if (!blob.starts_with("sealed:")) throw Exception("does not open");
  blob.remove_prefix(7);
  return std::string(blob.rbegin(), blob.rend());
}

const std::string kFile =
    "\"自宅\",する,127.0.0.1,pelmora4,secret4,ﾒｯｾｰｼﾞ,\r\n"
    "\"会社\",しない,mail.example.jp,pelmora5,\"se cret,5\",ｻｳﾝﾄﾞ,ding.wav,SSL,995\r\n"
    "\"社外\",する,outlook.office365.com,taro@example.jp,,ﾒｯｾｰｼﾞ,,SSL,993,IMAP,Microsoft\r\n"
    "\"IMAP\",する,127.0.0.1,pelmora4,secret4,ﾒｯｾｰｼﾞ,,,143,IMAP\r\n";

}  // namespace

TEST(StoredPasswords, MoveOutOfTheFileAndBackByteForByte) {
  AccountTable table;
  LoadAccounts(table, kFile);
  std::vector<TTokenRecord> records = {{"Microsoft", "taro@example.jp", "refresh"},
                                       {std::string(kPasswordProvider), "gone.example.jp\nold", "sealed:x"}};
  PutPasswords(records, table, Seal);
  // One record a login: the IMAP row shares the first row's; the provider's record stays; the stale
  // password goes.
  EXPECT_EQ(records, (std::vector<TTokenRecord>{{"Microsoft", "taro@example.jp", "refresh"},
                                                {"password", "127.0.0.1\npelmora4", "sealed:4terces"},
                                                {"password", "mail.example.jp\npelmora5", "sealed:5,terc es"}}));

  const std::string without = SaveAccounts(table, "\"", PasswordField::Empty);
  EXPECT_EQ(without,
            "\"自宅\",する,127.0.0.1,pelmora4,,ﾒｯｾｰｼﾞ,\r\n"
            "\"会社\",しない,mail.example.jp,pelmora5,,ｻｳﾝﾄﾞ,ding.wav,SSL,995\r\n"
            "\"社外\",する,outlook.office365.com,taro@example.jp,,ﾒｯｾｰｼﾞ,,SSL,993,IMAP,Microsoft\r\n"
            "\"IMAP\",する,127.0.0.1,pelmora4,,ﾒｯｾｰｼﾞ,,,143,IMAP\r\n");

  AccountTable read;
  LoadAccounts(read, without);
  EXPECT_TRUE(FillPasswords(read, records, Open).empty());
  EXPECT_EQ(SaveAccounts(read, "\""), kFile);
}

TEST(StoredPasswords, ABlobThatDoesNotOpenLeavesItsAccountEmptyAndNamesIt) {
  AccountTable table;
  LoadAccounts(table,
               "\"自宅\",する,127.0.0.1,pelmora4,,ﾒｯｾｰｼﾞ,\r\n"
               "\"会社\",する,mail.example.jp,pelmora5,,ﾒｯｾｰｼﾞ,\r\n"
               "\"手入力\",する,mail.example.jp,pelmora6,typed,ﾒｯｾｰｼﾞ,\r\n"
               "\"なし\",する,127.0.0.2,pelmora7,,ﾒｯｾｰｼﾞ,\r\n");
  const std::vector<TTokenRecord> records = {{"password", "127.0.0.1\npelmora4", "another machine's blob"},
                                             {"password", "mail.example.jp\npelmora5", Seal("secret5")},
                                             {"password", "mail.example.jp\npelmora6", Seal("older")},
                                             {"Google", "127.0.0.2\npelmora7", Seal("not a password")}};
  EXPECT_EQ(FillPasswords(table, records, Open), std::vector<std::string>{"自宅"});
  EXPECT_EQ(table.Cell(ColPassword, 1), "");
  EXPECT_EQ(table.Cell(ColPassword, 2), "secret5");
  // What the file holds wins over a record, and only the "password" provider's records are passwords.
  EXPECT_EQ(table.Cell(ColPassword, 3), "typed");
  EXPECT_EQ(table.Cell(ColPassword, 4), "");
}

TEST(StoredPasswords, OneLoginWithTwoPasswordsIsRefusedAndTheRecordsStay) {
  for (const std::string second : {"other", ""}) {
    AccountTable table;
    LoadAccounts(table, "\"POP\",する,127.0.0.1,pelmora4,secret4,ﾒｯｾｰｼﾞ,\r\n"
                        "\"IMAP\",する,127.0.0.1,pelmora4," + second + ",ﾒｯｾｰｼﾞ,,,143,IMAP\r\n");
    std::vector<TTokenRecord> records = {{"password", "127.0.0.1\npelmora4", "sealed:old"}};
    const std::vector<TTokenRecord> before = records;
    EXPECT_THROW(PutPasswords(records, table, Seal), Exception) << second;
    EXPECT_EQ(records, before);
  }
}
