#include "accounts/AccountCommands.h"

#include <optional>
#include <string>
#include <string_view>

#include "accounts/AccountConnection.h"
#include "accounts/AccountTexts.h"
#include "desktop/MediaPlayer.h"
#include "toolkit/Dialogs.h"

namespace accounts {

TAccountCommands::TAccountCommands(AccountTable& table, TMediaPlayer& player)
    : AccountForm1(player), Table(table), Player(player) {}

bool TAccountCommands::HoldsAccount(int row) const { return !Table.Cell(ColName, row).empty(); }

int TAccountCommands::ShowDialog() {
  const int result = AccountForm1.ShowModal();
  // Ends the preview whatever follows, a failed save included.
  Player.Close();
  return result;
}

bool TAccountCommands::Add() {
  TAccountForm1& dialog = AccountForm1;
  dialog.SetCaption(std::string(TAccountForm1::AddCaption));
  for (TEdit* edit : {&dialog.Edit1, &dialog.Edit2, &dialog.Edit3, &dialog.Edit4}) edit->SetText({});
  dialog.CheckBox1.SetChecked(true);
  dialog.RadioButton1.SetChecked(true);
  dialog.RadioButton1Click(&dialog.RadioButton1);
  dialog.ComboBox1.SetItemIndex(static_cast<int>(TSecurity::Tls));
  dialog.Edit5.SetText(std::to_string(DefaultPort(TSecurity::Tls)));
  dialog.FileOpenEdit1.SetFilename({});
  if (ShowDialog() != mrOk) return false;
  const int row = Table.RowCount() - 1;
  AccountTable::UpdateScope scope(Table);
  StoreAccount(row);
  Table.SetRowCount(row + 2);
  return true;
}

// The dialog is filled in this order; any other text of the include flag or the action leaves the
// dialog as its last use left it. A security it cannot name shows as none picked, so that it is
// stored again unless the user picks one.
bool TAccountCommands::Edit(int row) {
  if (!HoldsAccount(row)) return false;
  const auto cell = [this, row](Column column) { return Table.Cell(column, row); };
  TAccountForm1& dialog = AccountForm1;
  dialog.SetCaption(cell(ColName) + " のプロパティ");
  dialog.Edit1.SetText(cell(ColName));
  if (cell(ColInclude) == kInclude) dialog.CheckBox1.SetChecked(true);
  if (cell(ColInclude) == kExclude) dialog.CheckBox1.SetChecked(false);
  dialog.Edit2.SetText(cell(ColHost));
  dialog.Edit3.SetText(cell(ColUser));
  dialog.Edit4.SetText(cell(ColPassword));
  if (cell(ColAction) == kActionMessage) dialog.RadioButton1.SetChecked(true);
  if (cell(ColAction) == kActionSound) dialog.RadioButton2.SetChecked(true);
  if (cell(ColAction) == kActionCdTray) dialog.RadioButton3.SetChecked(true);
  dialog.RadioButton1Click(&dialog.RadioButton1);
  const std::optional<TSecurity> security = SecurityOfCell(cell(ColSecurity));
  dialog.ComboBox1.SetItemIndex(security ? static_cast<int>(*security) : -1);
  dialog.Edit5.SetText(cell(ColPort).empty() && security ? std::to_string(DefaultPort(*security)) : cell(ColPort));
  dialog.FileOpenEdit1.SetFilename(cell(ColSoundFile));
  if (ShowDialog() != mrOk) return false;
  StoreAccount(row);
  return true;
}

bool TAccountCommands::Delete(int row) {
  if (!HoldsAccount(row)) return false;
  const std::string question = "アカウント '" + Table.Cell(ColName, row) + "' を削除しますか？";
  if (ConfirmYesNo(question, "確認") != mrYes) return false;
  Table.DeleteRow(row);
  return true;
}

void TAccountCommands::StoreAccount(int row) {
  const TAccountForm1& dialog = AccountForm1;
  AccountTable::UpdateScope scope(Table);
  Table.SetCell(ColName, row, dialog.Edit1.Text());
  Table.SetCell(ColInclude, row, dialog.CheckBox1.Checked() ? kInclude : kExclude);
  Table.SetCell(ColHost, row, dialog.Edit2.Text());
  Table.SetCell(ColUser, row, dialog.Edit3.Text());
  Table.SetCell(ColPassword, row, dialog.Edit4.Text());
  const std::string_view action = dialog.RadioButton1.Checked()   ? kActionMessage
                                  : dialog.RadioButton2.Checked() ? kActionSound
                                                                  : kActionCdTray;
  Table.SetCell(ColAction, row, action);
  Table.SetCell(ColSoundFile, row, dialog.FileOpenEdit1.Filename());
  if (const std::optional<TSecurity> security = dialog.Security()) {
    Table.SetCell(ColSecurity, row, SecurityCell(*security));
    Table.SetCell(ColPort, row, PortCell(*security, PortNumber(dialog.Edit5.Text())));
  } else {
    // The stored security stays, and the port as shown: without a security no port is a default one.
    Table.SetCell(ColPort, row, dialog.Edit5.Text());
  }
}

}  // namespace accounts
