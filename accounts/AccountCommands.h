#pragma once
// The account commands of the settings window: add, edit and delete an account of the table through
// the account dialog, which they own and reuse.
#include "accounts/portable/AccountTable.h"
#include "accounts/AccountWindow1.h"

class TMediaPlayer;
class TShell;
class TSignIns;

namespace accounts {

class TAccountCommands {
public:
  // The dialog previews sounds through `player` and signs in through `signIns` and `shell`; they and
  // `table` outlive the commands.
  TAccountCommands(AccountTable& table, TMediaPlayer& player, TSignIns& signIns, TShell& shell);

  // A row without a name (the trailing blank row, or a blank line of the file) is no account.
  bool HoldsAccount(int row) const;
  // Each returns true when the table changed (the dialog was confirmed, the deletion affirmed).
  // The new account fills the trailing blank row, and a new blank row follows it.
  bool Add();
  // The dialog shows the stored sound file without playing it, so one that has gone can be replaced.
  bool Edit(int row);
  // The rows below move up.
  bool Delete(int row);

  TAccountForm1 AccountForm1;

private:
  int ShowDialog();

  AccountTable& Table;
  TMediaPlayer& Player;
};

}  // namespace accounts
