#include "app/MainWindow1.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <algorithm>

#include "accounts/AccountConnection.h"
#include "accounts/AccountTexts.h"
#include "accounts/AccountWindow1.h"
#include "app/DiskAccountFiles.h"
#include "app/ProgramPaths.h"
#include "checking/MailActions.h"
#include "resources/Resource.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ErrorDialog.h"
#include "toolkit/IniFile.h"
#include "toolkit/Text.h"

namespace {

std::string ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

TTrayApplication TrayApplication() {
  return TTrayApplication{
      Application().Handle(),
      [](bool show) { Application().ShowMainForm = show; },
      [] { Application().ProcessMessages(); },
  };
}

constexpr int kClientWidth = 610;
constexpr int kClientHeight = 262;
constexpr std::uint32_t kDesignInterval = 600000;

}  // namespace

TMainForm1::TMainForm1()
    : TForm("\x83\x81\x81\x5b\x83\x8b\x83\x60\x83\x46\x83\x62\x83\x4e\x82\xcc\x90\xdd\x92\xe8",  // メールチェックの設定
            kClientWidth, kClientHeight),
      TrayIcon1(this, TrayApplication()),
      N1("\x83\x81\x81\x5b\x83\x8b\x83\x60\x83\x46\x83\x62\x83\x4e\x82\xcc\x90\xdd\x92\xe8(&S)..."),  // メールチェックの設定(&S)...
      N7("-"),
      N8("\x83\x86\x81\x5b\x83\x55\x81\x5b\x83\x59\x83\x4b\x83\x43\x83\x68(&G)"),  // ユーザーズガイド(&G)
      N9("\x83\x43\x83\x93\x83\x74\x83\x48\x83\x81\x81\x5b\x83\x56\x83\x87\x83\x93(&I)..."),  // インフォメーション(&I)...
      N10("-"),
      X1("\x8f\x49\x97\xb9\x82\xb7\x82\xe9(&X)"),  // 終了する(&X)
      N2("\x83\x81\x81\x5b\x83\x8b\x83\x60\x83\x46\x83\x62\x83\x4e(&C)"),  // メールチェック(&C)
      N3("-"),
      PageControl1(*this, {12, 12, 585, 204}),
      TabSheet1(PageControl1, "\x83\x41\x83\x4a\x83\x45\x83\x93\x83\x67"),  // アカウント
      TabSheet2(PageControl1, "\x83\x81\x81\x5b\x83\x8b\x83\x60\x83\x46\x83\x62\x83\x4e"),  // メールチェック
      Button1(TabSheet1, {450, 12, 110, 21}, "\x92\xc7\x89\xc1(&A)..."),  // 追加(&A)...
      Button2(TabSheet1, {450, 40, 110, 21}, "\x8d\xed\x8f\x9c(&D)..."),  // 削除(&D)...
      Button3(TabSheet1, {450, 68, 110, 21}, "\x95\xd2\x8f\x57(&R)..."),  // 編集(&R)...
      CheckBox1(TabSheet2, {12, 16, 193, 17},
                "\x8b\x4e\x93\xae\x8e\x9e\x82\xc9\x83\x81\x81\x5b\x83\x8b\x83\x60\x83\x46\x83\x62\x83\x4e\x82\xf0"
                "\x8d\x73\x82\xa4(&S)",  // 起動時にメールチェックを行う(&S)
                false),
      CheckBox2(TabSheet2, {12, 40, 221, 17},
                "\x8e\x77\x92\xe8\x8e\x9e\x8a\xd4\x82\xb2\x82\xc6\x82\xc9\x83\x81\x81\x5b\x83\x8b\x83\x60\x83\x46"
                "\x83\x62\x83\x4e\x82\xf0\x8d\x73\x82\xa4(&C)",  // 指定時間ごとにメールチェックを行う(&C)
                true),
      Memo1(TabSheet1, {304, 88, 109, 65}, false),
      Button10(TabSheet1, {436, 156, 61, 17}, "LOAD", false),
      StringGrid1(TabSheet1, {4, 4, 424, 173}, {123, 37, 152, 146, 179, 40, 40, 70, 40}),
      Button4(*this, {466, 232, 110, 21}, "\x83\x5e\x83\x58\x83\x4e\x83\x67\x83\x8c\x83\x43\x82\xd6"),  // タスクトレイへ
      Bevel1(*this, {12, 222, 585, 3}),
      SpinEdit1(TabSheet2, {32, 62, 110, 20}),
      Label1(TabSheet2, {148, 66, 43, 12}, "\x95\xaa\x82\xb2\x82\xc6(&I)"),  // 分ごと(&I)
      Button11(TabSheet1, {496, 156, 61, 17}, "SAVE", false),
      Label0(TabSheet1, {540, 140, 6, 12}, "\"", false),
      Timer1(kDesignInterval, true),
      MediaPlayer1(Handle()) {
  ShellOpen = [](HWND owner, const std::wstring& file) {
    ShellExecuteW(owner, L"OPEN", file.c_str(), L"", L"", SW_SHOW);
  };
  SendMciString = [](const std::wstring& command) { mciSendStringW(command.c_str(), nullptr, 0, nullptr); };

  for (TMenuItem* item : {&N2, &N3, &N1, &N7, &N8, &N9, &N10, &X1}) PopupMenu1.Add(*item);
  N2.OnClick = [this](TObject* sender) { N2Click(sender); };
  N1.OnClick = [this](TObject* sender) { N1Click(sender); };
  N8.OnClick = [this](TObject* sender) { N8Click(sender); };
  N9.OnClick = [this](TObject* sender) { N9Click(sender); };
  X1.OnClick = [this](TObject* sender) { X1Click(sender); };
  TrayIcon1.ShowMinimizedIcon = true;
  TrayIcon1.SetPopupMenu(&PopupMenu1);
  TrayIcon1.SetIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAINICON)));
  TrayIcon1.OnDblClick = [this](TObject* sender) { N1Click(sender); };

  Button1.OnClick = [this](TObject* sender) { Button1Click(sender); };
  Button2.OnClick = [this](TObject* sender) { Button2Click(sender); };
  Button3.OnClick = [this](TObject* sender) { Button3Click(sender); };
  Button2.SetEnabled(false);
  Button3.SetEnabled(false);
  Button4.OnClick = [this](TObject* sender) { Button4Click(sender); };
  Button10.OnClick = [this](TObject* sender) { Button10Click(sender); };
  Button11.OnClick = [this](TObject* sender) { Button11Click(sender); };
  StringGrid1.OnClick = [this](TObject* sender) { StringGrid1Click(sender); };
  StringGrid1.OnDblClick = [this](TObject* sender) { StringGrid1DblClick(sender); };
  SpinEdit1.SetMinValue(1);
  SpinEdit1.SetMaxValue(59);
  SpinEdit1.SetValue(30);
  Label1.FocusControl = &SpinEdit1;
  CheckBox2.OnClick = [this](TObject* sender) { CheckBox2Click(sender); };
  SpinEdit1.OnChange = [this](TObject* sender) { SpinEdit1Change(sender); };
  Timer1.OnTimer = [this](TObject* sender) { Timer1Timer(sender); };
  OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  StringGrid1.SetCells([this] { return Accounts.RowCount(); },
                       [this](int col, int row) { return Accounts.Cell(col, row); });
  Accounts.OnChanged = [this](accounts::AccountTable&, int) { AccountsChanged(); };

  // The design is complete: the tray icon takes over (icon added, main window not shown at start).
  TrayIcon1.Loaded();

  ProgramDir = ProgramDirOf(ProgramPath());
  LastMailCount.assign(static_cast<std::size_t>(Accounts.RowCount()), 0);
  Accounts.WriteHeaderRow();
  Button10Click(&Button10);
  StringGrid1Click(&StringGrid1);
}

// Handlers reach members that are destroyed before the controls that fire them (the spinner clamps
// its value when it loses the focus as its window goes).
TMainForm1::~TMainForm1() {
  Accounts.OnChanged.Clear();
  SpinEdit1.OnChange.Clear();
}

std::string TMainForm1::AccountFilePath() const { return ProgramDir + "\\account.dat"; }

void TMainForm1::AccountsChanged() {
  // Counts are never dropped: after a delete, the old last row keeps its entry.
  const auto rows = static_cast<std::size_t>(Accounts.RowCount());
  if (LastMailCount.size() < rows) LastMailCount.resize(rows, 0);
  StringGrid1.Refresh();
}

void TMainForm1::X1Click(TObject*) { Close(); }

void TMainForm1::N1Click(TObject*) { BringToFront(); }

void TMainForm1::Button4Click(TObject*) { Hide(); }

void TMainForm1::N8Click(TObject*) { ShellOpen(Handle(), Widen(ProgramDir + "/Readme.txt")); }

void TMainForm1::N9Click(TObject*) { ShellOpen(Handle(), Widen(InfoPageAddress(ProgramPath()))); }

// Waits and message boxes of a cycle dispatch messages, so a tick or the menu can ask for a check
// meanwhile: it never reaches POP3Client1 mid-session, but runs once more after this cycle.
void TMainForm1::N2Click(TObject*) {
  if (Closing || !CheckRequests.Begin()) return;
  do {
    CheckAccounts();
  } while (CheckRequests.RunAgain() && !Closing);
  // A close during the cycle may have ended a message box's loop with the quit request, and one
  // during the start-up check comes before the window counts as the main one: ask again.
  if (Closing) Application().Terminate();
}

// The row count and cells are read afresh for every row: the table stays editable during a cycle.
void TMainForm1::CheckAccounts() {
  for (int row = 1; row < Accounts.RowCount() && !Closing; ++row) {
    if (Accounts.Cell(accounts::ColInclude, row) != accounts::kInclude) continue;
    const std::string name = Accounts.Cell(accounts::ColName, row);
    try {
      CheckAccount(row);
    } catch (const ETlsError& e) {
      checking::Announce(checking::FailureText(name, e.message()));
    } catch (...) {
      checking::Announce(checking::FailureText(name));
    }
  }
}

void TMainForm1::CheckAccount(int row) {
  // A row deleted while a message box was open reads as empty rather than out of the table.
  const auto cell = [this, row](accounts::Column column) {
    return row < Accounts.RowCount() ? Accounts.Cell(column, row) : std::string();
  };
  POP3Client1.SetAttachFilePath(".");
  POP3Client1.DeleteOnRead = false;
  POP3Client1.TimeOut = CheckTimeOut;
  const accounts::Connection connection =
      accounts::ConnectionOfCells(cell(accounts::ColSecurity), cell(accounts::ColPort));
  POP3Client1.Security = connection.Security;
  POP3Client1.Port = connection.Port;
  POP3Client1.Host = cell(accounts::ColHost);
  POP3Client1.UserID = cell(accounts::ColUser);
  POP3Client1.Password = cell(accounts::ColPassword);
  POP3Client1.Connect();
  const std::int32_t count = POP3Client1.MessageCount();
  if (checking::RecordCount(LastMailCount, row, count)) {
    if (cell(accounts::ColAction) == accounts::kActionMessage) {
      checking::Announce(checking::NewMailText(cell(accounts::ColName), count));
    }
    if (cell(accounts::ColAction) == accounts::kActionSound) {
      checking::PlaySoundFile(MediaPlayer1, cell(accounts::ColSoundFile));
    }
    if (cell(accounts::ColAction) == accounts::kActionCdTray) checking::OpenCdTray(SendMciString);
  }
  POP3Client1.Disconnect();
}

void TMainForm1::Timer1Timer(TObject* sender) { N2Click(sender); }

void TMainForm1::Button10Click(TObject*) {
  TDiskAccountFiles files;
  accounts::LoadAccountFile(Accounts, files, AccountFilePath());
}

void TMainForm1::Button11Click(TObject*) {
  TDiskAccountFiles files;
  accounts::SaveAccountFile(Accounts, files, AccountFilePath(), Label0.Caption());
}

// A row without a name (the trailing blank row, or a blank line of the file) is no account.
bool TMainForm1::SelectedRowHoldsAccount() const {
  return !Accounts.Cell(accounts::ColName, StringGrid1.Row()).empty();
}

// Also run after every add, edit and delete: the selected row may have gained or lost its account.
void TMainForm1::StringGrid1Click(TObject*) {
  const bool account = SelectedRowHoldsAccount();
  Button2.SetEnabled(account);
  Button3.SetEnabled(account);
}

void TMainForm1::StringGrid1DblClick(TObject* sender) { Button3Click(sender); }

// The new account fills the trailing blank row, and a new blank row follows it; the selection stays.
void TMainForm1::Button1Click(TObject*) {
  TAccountForm1& dialog = *AccountForm1;
  dialog.SetCaption(std::string(TAccountForm1::AddCaption));
  for (TEdit* edit : {&dialog.Edit1, &dialog.Edit2, &dialog.Edit3, &dialog.Edit4}) edit->SetText({});
  dialog.CheckBox1.SetChecked(true);
  dialog.RadioButton1.SetChecked(true);
  dialog.RadioButton1Click(&dialog.RadioButton1);
  dialog.ComboBox1.SetItemIndex(static_cast<int>(TSecurity::None));
  dialog.Edit5.SetText(std::to_string(DefaultPort(TSecurity::None)));
  dialog.FileOpenEdit1.SetFilename({});
  const int result = dialog.ShowModal();
  // Ends the preview whatever follows, a failed save included.
  MediaPlayer1.Close();
  if (result != mrOk) return;
  const int row = Accounts.RowCount() - 1;
  {
    accounts::AccountTable::UpdateScope scope(Accounts);
    StoreAccount(row);
    Accounts.SetRowCount(row + 2);
  }
  StringGrid1Click(&StringGrid1);
  Button11Click(&Button11);
}

// The dialog is filled in this order; a stored sound file that the player cannot open raises its
// error when set, and the dialog is not shown.
void TMainForm1::Button3Click(TObject*) {
  if (!SelectedRowHoldsAccount()) return;
  const int row = StringGrid1.Row();
  const auto cell = [this, row](accounts::Column column) { return Accounts.Cell(column, row); };
  TAccountForm1& dialog = *AccountForm1;
  dialog.SetCaption(cell(accounts::ColName) + " \x82\xcc\x83\x76\x83\x8d\x83\x70\x83\x65\x83\x42");  // のプロパティ
  dialog.Edit1.SetText(cell(accounts::ColName));
  // Any other text of the include flag or the action leaves the dialog as its last use left it.
  if (cell(accounts::ColInclude) == accounts::kInclude) dialog.CheckBox1.SetChecked(true);
  if (cell(accounts::ColInclude) == accounts::kExclude) dialog.CheckBox1.SetChecked(false);
  dialog.Edit2.SetText(cell(accounts::ColHost));
  dialog.Edit3.SetText(cell(accounts::ColUser));
  dialog.Edit4.SetText(cell(accounts::ColPassword));
  if (cell(accounts::ColAction) == accounts::kActionMessage) dialog.RadioButton1.SetChecked(true);
  if (cell(accounts::ColAction) == accounts::kActionSound) dialog.RadioButton2.SetChecked(true);
  if (cell(accounts::ColAction) == accounts::kActionCdTray) dialog.RadioButton3.SetChecked(true);
  dialog.RadioButton1Click(&dialog.RadioButton1);
  if (const auto security = accounts::SecurityOfCell(cell(accounts::ColSecurity)))
    dialog.ComboBox1.SetItemIndex(static_cast<int>(*security));
  dialog.Edit5.SetText(cell(accounts::ColPort).empty() ? std::to_string(DefaultPort(dialog.Security()))
                                                       : cell(accounts::ColPort));
  dialog.FileOpenEdit1.SetFilename(cell(accounts::ColSoundFile));
  const int result = dialog.ShowModal();
  MediaPlayer1.Close();
  if (result != mrOk) return;
  StoreAccount(row);
  StringGrid1Click(&StringGrid1);
  Button11Click(&Button11);
}

void TMainForm1::StoreAccount(int row) {
  const TAccountForm1& dialog = *AccountForm1;
  accounts::AccountTable::UpdateScope scope(Accounts);
  Accounts.SetCell(accounts::ColName, row, dialog.Edit1.Text());
  Accounts.SetCell(accounts::ColInclude, row, dialog.CheckBox1.Checked() ? accounts::kInclude : accounts::kExclude);
  Accounts.SetCell(accounts::ColHost, row, dialog.Edit2.Text());
  Accounts.SetCell(accounts::ColUser, row, dialog.Edit3.Text());
  Accounts.SetCell(accounts::ColPassword, row, dialog.Edit4.Text());
  const std::string_view action = dialog.RadioButton1.Checked()   ? accounts::kActionMessage
                                  : dialog.RadioButton2.Checked() ? accounts::kActionSound
                                                                  : accounts::kActionCdTray;
  Accounts.SetCell(accounts::ColAction, row, action);
  Accounts.SetCell(accounts::ColSoundFile, row, dialog.FileOpenEdit1.Filename());
  Accounts.SetCell(accounts::ColSecurity, row, accounts::SecurityCell(dialog.Security()));
  Accounts.SetCell(accounts::ColPort, row,
                   accounts::PortCell(dialog.Security(), accounts::PortNumber(dialog.Edit5.Text())));
}

// The rows below move up; the selected row number stays, so the next account is selected.
void TMainForm1::Button2Click(TObject*) {
  if (!SelectedRowHoldsAccount()) return;
  const int row = StringGrid1.Row();
  // アカウント '%s' を削除しますか？, titled 確認
  const std::string question = "\x83\x41\x83\x4a\x83\x45\x83\x93\x83\x67 '" + Accounts.Cell(accounts::ColName, row) +
                               "' \x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82\xdc\x82\xb7\x82\xa9\x81\x48";
  if (ConfirmYesNo(question, "\x8a\x6d\x94\x46") != mrYes) return;
  Accounts.DeleteRow(row);
  StringGrid1Click(&StringGrid1);
  Button11Click(&Button11);
}

namespace {
const std::string kSection = "SET";
const std::string kStart = "START";
const std::string kTime = "TIME";
const std::string kMinute = "MINUTE";
constexpr std::int32_t kMillisecondsPerMinute = 60000;
}  // namespace

// The start-up check runs between reading START and applying TIME and MINUTE, so meanwhile the timer
// still has its design settings.
void TMainForm1::FormCreate(TObject*) {
  TIniFile settings(SettingsFileOf(ProgramPath()));
  CheckBox1.SetChecked(settings.ReadBool(kSection, kStart, CheckBox1.Checked()));
  if (CheckBox1.Checked()) N2Click(this);
  CheckBox2.SetChecked(settings.ReadBool(kSection, kTime, CheckBox2.Checked()));
  CheckBox2Click(&CheckBox2);
  SpinEdit1.SetValue(settings.ReadInteger(kSection, kMinute, SpinEdit1.Value()));
  SpinEdit1Change(&SpinEdit1);
}

void TMainForm1::CheckBox2Click(TObject*) { Timer1.SetEnabled(CheckBox2.Checked()); }

// A number still being typed may lie outside 1 to 59 (0, negative, or so large that the product
// overflows): the timer then keeps the last valid interval until the field brings it into range.
void TMainForm1::SpinEdit1Change(TObject*) {
  const std::int32_t minutes = SpinEdit1.Value();
  if (minutes >= 1 && minutes <= 59) Timer1.SetInterval(static_cast<std::uint32_t>(minutes * kMillisecondsPerMinute));
}

// Written as the spinner reads it: a number still being typed is brought into range at the next start.
void TMainForm1::WriteSettings() {
  TIniFile settings(SettingsFileOf(ProgramPath()));
  settings.WriteBool(kSection, kStart, CheckBox1.Checked());
  settings.WriteBool(kSection, kTime, CheckBox2.Checked());
  settings.WriteInteger(kSection, kMinute, SpinEdit1.Value());
}

void TMainForm1::FormClose(TObject*, TCloseAction&) {
  // Closing during a check (its waits and boxes keep the tray menu live) ends it: the running session
  // is aborted, no further account is contacted, and this handler runs once.
  if (Closing) return;
  Closing = true;
  if (CheckRequests.Running()) {
    POP3Client1.Abort();
    // Under Wine the quit request does not end a message box's loop: the cycle's open box goes too.
    EndThreadMessageBoxes();
  }
  // An unwritable settings file is reported, but the user must always be able to quit.
  try {
    WriteSettings();
  } catch (...) {
    HandleException();
  }
  SendMciString(L"set cdaudio door closed");
  SendMciString(L"close cdaudio");
}
