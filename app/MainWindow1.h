#pragma once
// The main window: the settings window opened from the tray icon, the owner of the account table and
// of the program's non-visual parts (tray icon, popup menu, POP3 client, check timer, media player).
// Hidden from start-up until the user asks for it; closing it ends the program.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "accounts/AccountCommands.h"
#include "accounts/portable/AccountTable.h"
#include "app/KeptPasswords.h"
#include "app/ProgramFile.h"
#include "app/portable/WakeClock.h"
#include "app/Settings.h"
#include "checking/CheckCycle.h"
#include "checking/CheckLogFile.h"
#include "checking/MailWatchers.h"
#include "checking/QuietTimes.h"
#include "desktop/AddressWatch.h"
#include "desktop/MediaPlayer.h"
#include "desktop/SpinEdit.h"
#include "desktop/TrayIcon.h"
#include "imap/ImapClient.h"
#include "pop3/Pop3Client.h"
#include "signin/SignIns.h"
#include "toolkit/Buttons.h"
#include "toolkit/Edits.h"
#include "toolkit/Form.h"
#include "toolkit/Labels.h"
#include "toolkit/Menus.h"
#include "toolkit/PageControl.h"
#include "toolkit/StringGrid.h"
#include "toolkit/Timer.h"

class TMainForm1 : public TForm {
public:
  // The shell and MCI calls of the window and its parts go through `shell` and `mci`; the account
  // and settings files are found beside `programPath`, the program's own file.
  explicit TMainForm1(TShell& shell = SystemShell(), TMci& mci = SystemMci(), std::string programPath = ProgramPath());
  ~TMainForm1() override;

  // The account table shown by StringGrid1; every change to it shows in the grid at once.
  // Declared before the components, which refer to it.
  accounts::AccountTable Accounts;

  TTrayIcon TrayIcon1;
  TPopupMenu PopupMenu1;
  TMenuItem N1;
  TMenuItem N7;
  TMenuItem N8;
  TMenuItem N9;
  TMenuItem N10;
  TMenuItem X1;
  TMenuItem N2;
  TMenuItem N3;
  TPageControl PageControl1;
  TTabSheet TabSheet1;
  TTabSheet TabSheet2;
  TButton Button1;
  TButton Button2;
  TButton Button3;
  TCheckBox CheckBox1;
  TCheckBox CheckBox2;
  TPOP3Client POP3Client1;
  TImapClient ImapClient1;
  TMemo Memo1;
  TButton Button10;
  TStringGrid StringGrid1;
  TButton Button4;
  TBevel Bevel1;
  TSpinEdit SpinEdit1;
  TLabel Label1;
  TButton Button11;
  TLabel Label0;
  TTimer Timer1;
  TMediaPlayer MediaPlayer1;
  // Below the schedule: new mail told by message identity, with sender and subject; notices in a
  // balloon of the tray icon instead of message boxes; IMAP mail told the moment the server has it
  // (the box holds the setting in force, read at creation).
  TCheckBox CheckBox3;
  TCheckBox CheckBox4;
  TCheckBox CheckBox5;
  // Beside the schedule: the accounts' passwords kept encrypted by Windows instead of in account.dat,
  TCheckBox CheckBox6;
  // and a line in Pelmora.log beside the program for every account checked.
  TCheckBox CheckBox7;
  // One check of every account a few seconds after the machine wakes, once the network is back.
  TTimer ResumeTimer;
  // The machine's network addresses changed: the accounts that failed are tried again.
  TAddressWatch AddressWatch1;
  // The hours in which notices wait, from Edit1 up to Edit2 ("22:00"); checks go on meanwhile.
  TCheckBox CheckBox8;
  TEdit Edit1;
  TLabel Label2;
  TEdit Edit2;
  // Notices held while quiet are told once the quiet ends, looked at every minute.
  TTimer QuietTimer;

  void X1Click(TObject* sender);
  void N9Click(TObject* sender);
  void N8Click(TObject* sender);
  void N1Click(TObject* sender);
  void N2Click(TObject* sender);
  void Button10Click(TObject* sender);
  void Button4Click(TObject* sender);
  void Button11Click(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void FormCreate(TObject* sender);
  void Timer1Timer(TObject* sender);
  void StringGrid1Click(TObject* sender);
  void StringGrid1DblClick(TObject* sender);
  void Button1Click(TObject* sender);
  void Button2Click(TObject* sender);
  void Button3Click(TObject* sender);
  void CheckBox2Click(TObject* sender);
  void CheckBox3Click(TObject* sender);
  void CheckBox4Click(TObject* sender);
  void CheckBox5Click(TObject* sender);
  void CheckBox6Click(TObject* sender);
  void CheckBox8Click(TObject* sender);
  void Edit1Change(TObject* sender);
  void QuietTimerTimer(TObject* sender);
  void CheckCycleSummary(checking::TCheckCycle* sender, const checking::TCheckCycle::TSummary& summary);
  void CheckCycleProgress(checking::TCheckCycle* sender, const std::string& account);
  void CheckCycleChecked(checking::TCheckCycle* sender, const checking::TCheckCycle::TChecked& checked);
  void TrayIcon1BalloonClick(TObject* sender);
  void SpinEdit1Change(TObject* sender);
  void ResumeTimerTimer(TObject* sender);
  void AddressWatch1Change(TObject* sender);
  void Watchers1Check(checking::TMailWatchers* sender, const std::vector<checking::AccountKey>& accounts);

  // The directory of the program file, without a trailing separator (a drive root keeps its "\").
  std::string ProgramDir;
  // The message count last seen for each table row (entry 0, the header row, unused), kept by the
  // check cycle; a row with no entry has none recorded yet.
  const std::vector<std::int32_t>& LastMailCount() const { return CheckCycle.LastMailCount(); }

  // The check cycle N2Click runs, and the account commands with their dialog (made before the
  // start-up check, whose waits already serve the commands; it previews through MediaPlayer1, and
  // signs in through SignIns1).
  checking::TCheckCycle CheckCycle;
  // The tokens of the accounts that sign in, kept in tokens.dat beside the program.
  TSignIns SignIns1;
  accounts::TAccountCommands AccountCommands;
  // The IMAP accounts watched with IDLE while CheckBox5 is on; each asks CheckCycle for its checks.
  checking::TMailWatchers Watchers1;
  // The passwords in tokens.dat, through the sign-ins' writer of the file, while CheckBox6 is on.
  TKeptPasswords KeptPasswords1;
  // When the cycle's notices wait: Windows' word on the user and the hours of CheckBox8.
  checking::TQuietTimes Quiet1;

  // The bound of each network wait of a check, in milliseconds (tests shorten it).
  void SetCheckTimeOut(std::int32_t milliseconds) { CheckCycle.SetTimeOut(milliseconds); }

protected:
  // A later start from the program's folder asks for the settings window; waking from sleep, for a check.
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  void AccountsChanged();
  // The watchers follow the table and the setting; none once the user is leaving.
  void WatchAccounts();
  // The tray icon shows whether announced mail waits unread.
  void ShowNewMailWaiting(std::int32_t messages);
  void NewMailLookedAt();
  // The icon's tip: the account being checked, else the mail waiting; then the next check and the
  // accounts that failed.
  void ShowTrayHint();
  // Timer1 (re)started its period, or stopped.
  void ShowNextCheck();
  // The grid's cells: the table's first ten columns, then each account's standing.
  std::string GridCell(int col, int row) const;
  void WriteCheckLog(const checking::TCheckCycle::TChecked& checked);
  void AccountsStored();
  std::string AccountFilePath() const;
  TSettings ShownSettings();
  void PowerResumed();
  // The providers accounts sign in at: the built-in ones and what the [OAUTH] section adds; a
  // section that cannot be read is reported and leaves the built-in ones.
  void ReadProviders();
  // The passwords move at once, and the setting with them: see CheckBox6Click.
  void EncryptPasswords();
  void DecryptPasswords();
  void FillKeptPasswords();
  void CheckEnded();

  TShell& Shell;
  TMci& Mci;
  std::string ProgramFile;
  UINT ShowRequest = 0;
  bool NewMailWaiting = false;
  std::string NewMailHint;
  std::string CheckedAccount;  // empty while no check runs
  // When Timer1 ticks next, once the schedule is applied and while it runs.
  std::optional<checking::TWallTime> NextCheck;
  checking::AccountStandings Standings;
  checking::TCheckLogFile CheckLog;
  bool LogFailureTold = false;  // until a line is written again
  // TIME and MINUTE as read at creation, until applied to their controls or changed by the user.
  std::optional<bool> PendingTime;
  std::optional<std::int32_t> PendingMinute;
  // Where the passwords are now: CheckBox6 shows what the user asks for until they have moved.
  bool PasswordsEncrypted = false;
  // When Timer1's period began, to tell a tick delayed by sleep.
  WakeClock Wake{GetTickCount64()};
};
