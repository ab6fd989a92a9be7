#pragma once
// One account as the account dialog shows it, and its mapping to and from a row of the account
// table: the one place where a cell's text meets a control's state. No Windows API.
#include <optional>
#include <string>

#include "accounts/portable/AccountTable.h"
#include "transport/portable/TlsRules.h"

namespace accounts {

enum class TAction { Message, Sound, CdTray };

struct TAccountFields {
  std::string Name;
  // Nothing for a cell the dialog cannot show: its control stays as its last use left it.
  std::optional<bool> Include;
  std::string Host;
  std::string User;
  std::string Password;
  std::optional<TAction> Action;  // likewise
  // Nothing for a stored protocol the dialog cannot name: it is kept, and no port is a default one.
  std::optional<TProtocol> Protocol;
  // Nothing for a stored security the dialog cannot name: it is kept unless the user picks one.
  std::optional<TSecurity> Security;
  // As shown: the protocol's and security's default port while the cell is empty.
  std::string Port;
  std::string SoundFile;
  // The provider the account signs in with; empty for a password.
  std::string SignIn;
};

// A new account: checked, announced by a message, POP3 over TLS on its default port.
TAccountFields NewAccountFields();
TAccountFields FieldsOfRow(const AccountTable& table, int row);
// Every cell of the row from the fields; a field without a value keeps its cell.
void StoreFields(AccountTable& table, int row, const TAccountFields& fields);

}  // namespace accounts
