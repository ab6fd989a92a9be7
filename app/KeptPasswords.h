#pragma once
// The accounts' passwords kept encrypted for the Windows user (DPAPI) in tokens.dat, with their fields
// in account.dat empty, while the user wants it so. The table keeps holding the passwords: the checks
// and the account dialog see no difference.
#include <string>
#include <string_view>

#include "accounts/portable/AccountFile.h"
#include "accounts/portable/AccountTable.h"
#include "signin/TokenStore.h"

class TKeptPasswords {
public:
  explicit TKeptPasswords(TTokenStore& store) : Store(store) {}

  // The store first, in step with the table, then account.dat without passwords: no moment holds a
  // password in neither. A failure of either file raises Exception and leaves both as they were.
  void Save(const accounts::AccountTable& table, accounts::AccountFileSystem& files, const std::string& path,
            std::string_view quote);
  // The store without passwords, once account.dat holds them again.
  void Forget();
  // After account.dat is read: the empty passwords of the accounts the store holds. A password that
  // does not open (the files came from another user or machine) stays empty, so that its check fails;
  // the accounts are then named in the Exception raised after the others are filled.
  void Fill(accounts::AccountTable& table);

private:
  TTokenStore& Store;
};
