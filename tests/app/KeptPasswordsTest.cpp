// The passwords kept in tokens.dat against the disk: a failure of either file leaves both as they were.
#include "app/KeptPasswords.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "signin/SecretStore.h"
#include "tests/support/ExceptionMessage.h"
#include "toolkit/Files.h"
#include "toolkit/Text.h"

namespace {

// A tokens.dat of the test's own under %TEMP%, gone before and after.
class TokensFile {
public:
  TokensFile() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    Path = Narrow(std::wstring(temp) + L"pelmora-kept-" + std::to_wstring(GetCurrentProcessId()) + L".dat");
    Remove();
  }
  ~TokensFile() { Remove(); }
  void Remove() const {
    SetFileAttributesW(Widen(Path).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(Widen(Path).c_str());
  }
  std::string Path;
};

// account.dat in memory; its replace fails when told to.
class MemoryFiles : public accounts::AccountFileSystem {
public:
  TReadResult ReadWhole(const std::string&, std::string& bytes) override {
    bytes = Bytes;
    return TReadResult::Read;
  }
  bool ReplaceWhole(const std::string&, std::string_view bytes) override {
    if (Fail) return false;
    Bytes = bytes;
    return true;
  }
  std::string Bytes;
  bool Fail = false;
};

std::string FileBytes(const std::string& path) {
  std::string bytes;
  return ReadWholeFile(path, bytes) == TReadResult::Read ? bytes : "(none)";
}

}  // namespace

TEST(KeptPasswords, AFailureOfEitherFileLeavesBothAsTheyWere) {
  TokensFile tokens;
  TTokenStore store;
  store.SetFile(tokens.Path);
  TKeptPasswords kept(store);
  // Nothing to forget writes no file.
  kept.Forget();
  EXPECT_EQ(FileBytes(tokens.Path), "(none)");

  const std::string old = FormatTokenFile({{"Google", "taro@example.jp", Protect("refresh")},
                                           {"password", "127.0.0.1\npelmora4", Protect("older")}});
  ASSERT_TRUE(ReplaceWholeFile(tokens.Path, old));
  MemoryFiles files;
  files.Bytes = "\"自宅\",する,127.0.0.1,pelmora4,older,ﾒｯｾｰｼﾞ,\r\n";
  accounts::AccountTable table;
  accounts::LoadAccounts(table, "\"自宅\",する,127.0.0.1,pelmora4,newer,ﾒｯｾｰｼﾞ,\r\n");

  files.Fail = true;
  EXPECT_EQ(MessageOf([&] { kept.Save(table, files, "account.dat", "\""); }), accounts::CannotCreateText("account.dat"));
  EXPECT_EQ(ParseTokenFile(FileBytes(tokens.Path)), ParseTokenFile(old));

  files.Fail = false;
  SetFileAttributesW(Widen(tokens.Path).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_THROW(kept.Save(table, files, "account.dat", "\""), Exception);
  EXPECT_EQ(files.Bytes, "\"自宅\",する,127.0.0.1,pelmora4,older,ﾒｯｾｰｼﾞ,\r\n");
  SetFileAttributesW(Widen(tokens.Path).c_str(), FILE_ATTRIBUTE_NORMAL);

  kept.Save(table, files, "account.dat", "\"");
  EXPECT_EQ(files.Bytes, "\"自宅\",する,127.0.0.1,pelmora4,,ﾒｯｾｰｼﾞ,\r\n");
  accounts::AccountTable read;
  accounts::LoadAccounts(read, files.Bytes);
  kept.Fill(read);
  EXPECT_EQ(read.Cell(accounts::ColPassword, 1), "newer");
  kept.Forget();
  EXPECT_EQ(ParseTokenFile(FileBytes(tokens.Path)).size(), 1u);
}

TEST(KeptPasswords, APasswordThatDoesNotOpenIsNamedAndTheOthersAreFilled) {
  TokensFile tokens;
  ASSERT_TRUE(ReplaceWholeFile(tokens.Path, FormatTokenFile({{"password", "a.example.jp\nuser", "from elsewhere"},
                                                                 {"password", "b.example.jp\nuser", Protect("pw")}})));
  TTokenStore store;
  store.SetFile(tokens.Path);
  accounts::AccountTable table;
  accounts::LoadAccounts(table, "\"移した\",する,a.example.jp,user,,ﾒｯｾｰｼﾞ,\r\n\"残る\",する,b.example.jp,user,,ﾒｯｾｰｼﾞ,\r\n");
  const std::string told = MessageOf([&] { TKeptPasswords(store).Fill(table); });
  EXPECT_NE(told.find("\r\n移した"), std::string::npos) << told;
  EXPECT_EQ(told.find("残る"), std::string::npos);
  EXPECT_EQ(table.Cell(accounts::ColPassword, 1), "");
  EXPECT_EQ(table.Cell(accounts::ColPassword, 2), "pw");
}
