#include "accounts/AccountCommands.h"

#include <string>

#include "accounts/portable/AccountFields.h"
#include "accounts/portable/AccountTexts.h"
#include "desktop/MediaPlayer.h"
#include "toolkit/Dialogs.h"

namespace accounts {

TAccountCommands::TAccountCommands(AccountTable& table, TMediaPlayer& player, TSignIns& signIns, TShell& shell)
    : AccountForm1(player, signIns, shell), Table(table), Player(player) {}

bool TAccountCommands::HoldsAccount(int row) const { return !Table.Cell(ColName, row).empty(); }

int TAccountCommands::ShowDialog() {
  const int result = AccountForm1.ShowModal();
  // Ends the preview and a sign-in still waiting whatever follows, a failed save included.
  Player.Close();
  AccountForm1.CancelSignIn();
  return result;
}

bool TAccountCommands::Add() {
  AccountForm1.SetCaption(std::string(TAccountForm1::AddCaption));
  AccountForm1.Fill(NewAccountFields());
  if (ShowDialog() != mrOk) return false;
  const int row = Table.RowCount() - 1;
  AccountTable::UpdateScope scope(Table);
  StoreFields(Table, row, AccountForm1.Read());
  Table.SetRowCount(row + 2);
  return true;
}

// An include flag or action of any other text leaves its control as the dialog's last use left it;
// a security the dialog cannot name shows as none picked, so that it is stored again unless the
// user picks one.
bool TAccountCommands::Edit(int row) {
  if (!HoldsAccount(row)) return false;
  AccountForm1.SetCaption(Table.Cell(ColName, row) + " のプロパティ");
  AccountForm1.Fill(FieldsOfRow(Table, row));
  if (ShowDialog() != mrOk) return false;
  StoreFields(Table, row, AccountForm1.Read());
  return true;
}

bool TAccountCommands::Delete(int row) {
  if (!HoldsAccount(row)) return false;
  const std::string question = "アカウント '" + Table.Cell(ColName, row) + "' を削除しますか？";
  if (ConfirmYesNo(question, "確認") != mrYes) return false;
  Table.DeleteRow(row);
  return true;
}

}  // namespace accounts
