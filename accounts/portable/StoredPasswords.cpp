#include "accounts/portable/StoredPasswords.h"

#include <map>

#include "toolkit/portable/Exception.h"

namespace accounts {

namespace {

// An account that signs in with a provider has no password of its own.
bool LogsInWithPassword(const AccountTable& table, int row) { return table.Cell(ColSignIn, row).empty(); }

}  // namespace

std::string PasswordKey(const AccountTable& table, int row) {
  return table.Cell(ColHost, row) + '\n' + table.Cell(ColUser, row);
}

void PutPasswords(std::vector<TTokenRecord>& records, const AccountTable& table, const SecretFunction& seal) {
  std::map<std::string, int> rowOfKey;
  for (int row = 1; row <= table.RowCount() - 2; ++row) {
    if (!LogsInWithPassword(table, row)) continue;
    const auto [same, added] = rowOfKey.emplace(PasswordKey(table, row), row);
    if (!added && table.Cell(ColPassword, same->second) != table.Cell(ColPassword, row)) {
      throw Exception("アカウント '" + table.Cell(ColName, same->second) + "' と '" + table.Cell(ColName, row) +
                      "' は同じサーバーとユーザー名で、パスワードが違います。どちらかを直してください。");
    }
  }
  std::vector<TTokenRecord> put = records;
  RemovePasswords(put);
  for (const auto& [key, row] : rowOfKey) {
    const std::string& password = table.Cell(ColPassword, row);
    if (!password.empty()) put.push_back({std::string(kPasswordProvider), key, seal(password)});
  }
  records = std::move(put);
}

void RemovePasswords(std::vector<TTokenRecord>& records) {
  std::erase_if(records, [](const TTokenRecord& record) { return record.Provider == kPasswordProvider; });
}

std::vector<std::string> FillPasswords(AccountTable& table, const std::vector<TTokenRecord>& records,
                                       const SecretFunction& open) {
  std::vector<std::string> unopened;
  AccountTable::UpdateScope scope(table);
  for (int row = 1; row <= table.RowCount() - 2; ++row) {
    if (!LogsInWithPassword(table, row) || !table.Cell(ColPassword, row).empty()) continue;
    const TTokenRecord* record = FindTokenRecord(records, kPasswordProvider, PasswordKey(table, row));
    if (!record) continue;
    try {
      table.SetCell(ColPassword, row, open(record->Blob));
    } catch (const Exception&) {
      unopened.push_back(table.Cell(ColName, row));
    }
  }
  return unopened;
}

}  // namespace accounts
