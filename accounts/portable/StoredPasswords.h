#pragma once
// The passwords of the account table as records of the secret store (tokens.dat), under the provider
// "password", each sealed by the caller (DPAPI on Windows). No Windows API.
//
// A record is keyed by the account's server and user name, the login the password belongs to: it
// survives renaming, reordering and a change of protocol, security or port, and a record is only
// ever handed to the server it was saved for, whatever happens to the order of account.dat.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "accounts/portable/AccountTable.h"
#include "signin/portable/TokenFile.h"

namespace accounts {

inline constexpr std::string_view kPasswordProvider = "password";

// Seals a password into a blob, or opens a blob; either raises Exception when it cannot.
using SecretFunction = std::function<std::string(std::string_view)>;

// The store's key of an account row: server, LF, user name (a cell that account.dat can hold has no
// LF, so no two logins share a key).
std::string PasswordKey(const AccountTable& table, int row);

// Makes the password records those of the table's accounts that log in with a non-empty password,
// each sealed anew; the records of logins no longer in the table go, the other providers' stay.
// Two accounts of one login with different passwords (one of them empty too) raise Exception, the
// records unchanged: one of the two would be lost, or given to the other.
void PutPasswords(std::vector<TTokenRecord>& records, const AccountTable& table, const SecretFunction& seal);
void RemovePasswords(std::vector<TTokenRecord>& records);

// Gives each account that logs in with a password, and has none in the table, the one its record
// holds. A record that does not open leaves the password empty; the names of those accounts are
// returned, for the user to be told.
std::vector<std::string> FillPasswords(AccountTable& table, const std::vector<TTokenRecord>& records,
                                       const SecretFunction& open);

}  // namespace accounts
