#include "app/KeptPasswords.h"

#include <vector>

#include "accounts/portable/StoredPasswords.h"
#include "signin/SecretStore.h"
#include "toolkit/portable/Exception.h"

void TKeptPasswords::Save(const accounts::AccountTable& table, accounts::AccountFileSystem& files,
                          const std::string& path, std::string_view quote) {
  const std::vector<TTokenRecord> before = Store.Records();
  Store.Change([&](std::vector<TTokenRecord>& records) { accounts::PutPasswords(records, table, Protect); });
  try {
    accounts::SaveAccountFile(table, files, path, quote, accounts::PasswordField::Empty);
  } catch (const Exception& failed) {
    // account.dat is as it was: so is the store, lest a password of an account the old file still
    // holds be gone from it.
    try {
      Store.Change([&](std::vector<TTokenRecord>& records) { records = before; });
    } catch (const Exception& restore) {
      throw Exception(failed.message() + "\r\n" + restore.message());
    }
    throw;
  }
}

void TKeptPasswords::Forget() { Store.Change(accounts::RemovePasswords); }

void TKeptPasswords::Fill(accounts::AccountTable& table) {
  const std::vector<std::string> unopened = accounts::FillPasswords(table, Store.Records(), Unprotect);
  if (unopened.empty()) return;
  std::string text =
      "次のアカウントの暗号化されたパスワードを復号できません。別の Windows ユーザーかコンピューターで"
      "保存されたものです。アカウントを編集してパスワードを入れ直してください。";
  for (const std::string& name : unopened) text += "\r\n" + name;
  throw Exception(text);
}
