#include "app/MainWindow1.h"

#include <cstdio>

#include "accounts/portable/AccountConnection.h"
#include "app/DiskAccountFiles.h"
#include "app/portable/ProgramPaths.h"
#include "checking/MailActions.h"
#include "desktop/portable/BalloonText.h"
#include "desktop/MailClient.h"
#include "resources/Resource.h"
#include "toolkit/Application.h"
#include "toolkit/ErrorDialog.h"
#include "toolkit/IniFile.h"
#include "toolkit/Text.h"

namespace {
constexpr std::int32_t kMillisecondsPerMinute = 60000;
// The grid's column after the table's ten shown ones.
constexpr int kStandingColumn = 10;

checking::TWallTime LocalTimeIn(std::uint32_t milliseconds) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER at{{now.dwLowDateTime, now.dwHighDateTime}};
  at.QuadPart += static_cast<std::uint64_t>(milliseconds) * 10000;
  const FILETIME later{at.LowPart, at.HighPart};
  SYSTEMTIME utc;
  SYSTEMTIME local;
  FileTimeToSystemTime(&later, &utc);
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}
}  // namespace

std::string TMainForm1::AccountFilePath() const { return ProgramDir + "\\account.dat"; }

void TMainForm1::AccountsChanged() {
  StringGrid1.Refresh();
  WatchAccounts();
  // An account that failed may have left the table.
  ShowTrayHint();
}

std::string TMainForm1::GridCell(int col, int row) const {
  if (col != kStandingColumn) return accounts::ShownCell(Accounts, col, row);
  return row == 0 ? " 状態" : Standings.Of(Accounts, row);
}

void TMainForm1::WatchAccounts() {
  Watchers1.Update(Accounts, CheckBox5.Checked() && !CheckCycle.Stopped(), CheckCycle.TimeOut());
}

void TMainForm1::X1Click(TObject*) { Close(); }

// The icon's default action: whatever it announced has been looked at.
void TMainForm1::N1Click(TObject*) {
  NewMailLookedAt();
  BringToFront();
}

void TMainForm1::Button4Click(TObject*) { Hide(); }

LRESULT TMainForm1::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == ShowRequest && ShowRequest != 0) {
    BringToFront();
    return 0;
  }
  if (msg == WM_POWERBROADCAST && wParam == PBT_APMRESUMEAUTOMATIC) {
    PowerResumed();
    return TRUE;
  }
  return TForm::WndProc(msg, wParam, lParam);
}

void TMainForm1::N8Click(TObject*) { Shell.Open(Handle(), Widen(ProgramDir + "/Readme.txt")); }

void TMainForm1::N9Click(TObject*) { Shell.Open(Handle(), Widen(InfoPageAddress(ProgramFile))); }

void TMainForm1::N2Click(TObject*) {
  CheckCycle.Run();
  CheckEnded();
}

// A close during the check may have ended a message box's loop with the quit request, and one
// during the start-up check comes before the window counts as the main one: ask again.
void TMainForm1::CheckEnded() {
  if (CheckCycle.Stopped()) Application().Terminate();
  CheckCycle.ShowHeld();
}

// A tick that sleep delayed is the wake-up's check: a resume check still pending would repeat it.
void TMainForm1::Timer1Timer(TObject* sender) {
  if (Wake.Tick(GetTickCount64(), Timer1.Interval())) {
    ResumeTimer.SetEnabled(false);
    Watchers1.Reconnect();
  }
  ShowNextCheck();
  N2Click(sender);
}

// Sent to top-level windows only; the main window is one (owned by the application window, not a child).
void TMainForm1::PowerResumed() {
  if (Wake.ResumeWantsCheck(GetTickCount64())) ResumeTimer.SetEnabled(true);
}

// One-shot; a check already running runs once more after it, as for a tick. The watchers' connections
// did not live through the sleep: they are made anew now that the network is back.
void TMainForm1::ResumeTimerTimer(TObject* sender) {
  ResumeTimer.SetEnabled(false);
  Watchers1.Reconnect();
  N2Click(sender);
}

// A network that came back or changed: the accounts that failed, perhaps for want of it, are tried
// again at once rather than at the next tick.
void TMainForm1::AddressWatch1Change(TObject*) {
  Watchers1.RetryNow();
  const std::vector<checking::AccountKey> failed = CheckCycle.FailedAccounts();
  if (failed.empty()) return;
  CheckCycle.RunOnly(failed);
  CheckEnded();
}

// A change told by a watcher: only its account is checked, through the cycle's own path.
void TMainForm1::Watchers1Check(checking::TMailWatchers*, const std::vector<checking::AccountKey>& accounts) {
  CheckCycle.RunOnly(accounts);
  CheckEnded();
}

void TMainForm1::Button10Click(TObject*) {
  TDiskAccountFiles files;
  accounts::LoadAccountFile(Accounts, files, AccountFilePath());
  if (PasswordsEncrypted) KeptPasswords1.Fill(Accounts);
}

void TMainForm1::Button11Click(TObject*) {
  TDiskAccountFiles files;
  if (PasswordsEncrypted)
    KeptPasswords1.Save(Accounts, files, AccountFilePath(), Label0.Caption());
  else
    accounts::SaveAccountFile(Accounts, files, AccountFilePath(), Label0.Caption());
}

// Also run after every account command: the selected row may have gained or lost its account.
void TMainForm1::StringGrid1Click(TObject*) {
  const bool account = AccountCommands.HoldsAccount(StringGrid1.Row());
  Button2.SetEnabled(account);
  Button3.SetEnabled(account);
}

void TMainForm1::StringGrid1DblClick(TObject* sender) { Button3Click(sender); }

// The selection stays where it was: after an add on the same row, after a delete on the next account.
void TMainForm1::Button1Click(TObject*) {
  if (AccountCommands.Add()) AccountsStored();
}

void TMainForm1::Button2Click(TObject*) {
  if (AccountCommands.Delete(StringGrid1.Row())) AccountsStored();
}

void TMainForm1::Button3Click(TObject*) {
  if (AccountCommands.Edit(StringGrid1.Row())) AccountsStored();
}

// Every change to the accounts is saved at once.
void TMainForm1::AccountsStored() {
  StringGrid1Click(&StringGrid1);
  Button11Click(&Button11);
}

// The start-up check runs between reading START and applying TIME and MINUTE, so meanwhile the timer
// still has its design settings. TIME and MINUTE are read before it all the same: an exit during the
// check writes them, never design values the user was never shown.
void TMainForm1::FormCreate(TObject*) {
  const TSettings stored = ReadSettings(SettingsFileOf(ProgramFile), ShownSettings());
  ReadProviders();
  // Before anything logs in: the watchers below as well as the start-up check.
  PasswordsEncrypted = stored.EncryptPasswords;
  CheckBox6.SetChecked(stored.EncryptPasswords);
  if (PasswordsEncrypted) FillKeptPasswords();
  CheckBox1.SetChecked(stored.Start);
  CheckBox3.SetChecked(stored.NewMailByIdentity);
  CheckBox3Click(&CheckBox3);
  CheckBox4.SetChecked(stored.NoticesInBalloon);
  CheckBox4Click(&CheckBox4);
  CheckBox5.SetChecked(stored.ImapIdle);
  CheckBox5Click(&CheckBox5);
  CheckBox7.SetChecked(stored.CheckLog);
  if (stored.QuietHours) {
    Edit1.SetText(checking::ClockTimeText(stored.QuietHours->From));
    Edit2.SetText(checking::ClockTimeText(stored.QuietHours->To));
    CheckBox8.SetChecked(true);
    CheckBox8Click(&CheckBox8);
  }
  PendingTime = stored.Time;
  PendingMinute = stored.Minute;
  if (CheckBox1.Checked()) N2Click(this);
  // A setting the user changed during the check keeps the user's value.
  if (PendingTime) CheckBox2.SetChecked(*PendingTime);
  CheckBox2Click(&CheckBox2);
  if (PendingMinute) SpinEdit1.SetValue(*PendingMinute);
  SpinEdit1Change(&SpinEdit1);
}

void TMainForm1::ReadProviders() {
  SignIns1.SetFile(ProgramDir + "\\tokens.dat");
  try {
    SignIns1.SetProviders(Providers(TIniFile(SettingsFileOf(ProgramFile)).ReadSection("OAUTH")));
  } catch (const Exception&) {
    SignIns1.SetProviders(Providers({}));
    HandleException();
  }
  CheckCycle.SetSignIns(SignIns1);
}

// The account file was read at construction, before the setting: the passwords it left empty are
// filled before any check. One that does not open is told, and start-up goes on.
void TMainForm1::FillKeptPasswords() {
  try {
    KeptPasswords1.Fill(Accounts);
  } catch (const Exception&) {
    HandleException();
  }
}

// A failure leaves the passwords where they were, and the box showing it.
void TMainForm1::CheckBox6Click(TObject*) {
  if (CheckBox6.Checked() == PasswordsEncrypted) return;
  try {
    if (CheckBox6.Checked())
      EncryptPasswords();
    else
      DecryptPasswords();
  } catch (const Exception&) {
    CheckBox6.SetChecked(PasswordsEncrypted);
    throw;
  }
}

// The setting goes first: a start that finds it on while account.dat still holds the passwords keeps
// them, and the next save moves them.
void TMainForm1::EncryptPasswords() {
  const std::string settings = SettingsFileOf(ProgramFile);
  WriteEncryptPasswords(settings, true);
  PasswordsEncrypted = true;
  try {
    Button11Click(&Button11);
  } catch (const Exception&) {
    PasswordsEncrypted = false;
    try {
      WriteEncryptPasswords(settings, false);
    } catch (const Exception&) {
      HandleException();
    }
    throw;
  }
}

// account.dat holds the passwords again before anything else changes: from then on no order of the
// rest can lose one.
void TMainForm1::DecryptPasswords() {
  PasswordsEncrypted = false;
  try {
    Button11Click(&Button11);
  } catch (const Exception&) {
    PasswordsEncrypted = true;
    throw;
  }
  WriteEncryptPasswords(SettingsFileOf(ProgramFile), false);
  KeptPasswords1.Forget();
}

void TMainForm1::CheckBox2Click(TObject*) {
  PendingTime.reset();
  Timer1.SetEnabled(CheckBox2.Checked());
  Wake.PeriodStarted(GetTickCount64());
  ShowNextCheck();
}

void TMainForm1::CheckBox3Click(TObject*) { CheckCycle.SetNewMailByIdentity(CheckBox3.Checked()); }

void TMainForm1::CheckBox4Click(TObject*) { CheckCycle.SetNoticesInBalloon(CheckBox4.Checked()); }

void TMainForm1::CheckBox5Click(TObject*) { WatchAccounts(); }

// Notices held by the hours are told at once when the hours are switched off.
void TMainForm1::CheckBox8Click(TObject* sender) {
  Edit1.SetEnabled(CheckBox8.Checked());
  Edit2.SetEnabled(CheckBox8.Checked());
  Edit1Change(sender);
  CheckCycle.ShowHeld();
}

// A time still being typed leaves the hours in force until both ends read as times again.
void TMainForm1::Edit1Change(TObject*) {
  if (!CheckBox8.Checked()) return Quiet1.SetHours(std::nullopt);
  const std::optional<std::int32_t> from = checking::ParseClockTime(Edit1.Text());
  const std::optional<std::int32_t> to = checking::ParseClockTime(Edit2.Text());
  if (from && to) Quiet1.SetHours(checking::QuietHours{*from, *to});
}

void TMainForm1::QuietTimerTimer(TObject*) { CheckCycle.ShowHeld(); }

// One balloon sums up the cycle, so that balloons never replace each other unread: the accounts with
// new mail, then the failures, which long notices never push out of it.
void TMainForm1::CheckCycleSummary(checking::TCheckCycle*, const checking::TCheckCycle::TSummary& summary) {
  TrayIcon1.ShowBalloon(checking::Cp932ToUtf16(Application().Title()), BalloonText(summary.NewMail, summary.Failures),
                        !summary.Failures.empty());
  if (!summary.NewMail.empty()) ShowNewMailWaiting(summary.NewMessages);
}

// A check asked for from the menu meanwhile would only wait for this one: its item is greyed instead,
// so that the user sees why nothing more happens. A tick of the timer still runs one right after.
void TMainForm1::CheckCycleProgress(checking::TCheckCycle*, const std::string& account) {
  CheckedAccount = account;
  N2.Enabled = account.empty();
  ShowTrayHint();
}

void TMainForm1::CheckCycleChecked(checking::TCheckCycle*, const checking::TCheckCycle::TChecked& checked) {
  Standings.Record(Accounts, checked.Row.Row(), checking::StandingText(checked.At, checked.Outcome));
  StringGrid1.Refresh();
  if (CheckBox7.Checked()) WriteCheckLog(checked);
}

// A log that cannot be written never stops a check: the user is told once, and again only after a
// line was written meanwhile.
void TMainForm1::WriteCheckLog(const checking::TCheckCycle::TChecked& checked) {
  try {
    CheckLog.Append(checking::CheckLogLine({checked.At, checked.Name, checked.Protocol, checked.Outcome, checked.DurationMs},
                                           checked.Password));
    LogFailureTold = false;
  } catch (const Exception& e) {
    if (LogFailureTold) return;
    LogFailureTold = true;
    checking::Announce(e.message());
  }
}

void TMainForm1::ShowTrayHint() {
  const std::string status = CheckedAccount.empty() ? NewMailHint : "チェック中… " + CheckedAccount;
  TrayIcon1.SetHint(checking::TrayTip(status, NextCheck, CheckCycle.FailedAccounts().size(), TTrayIcon::kMaxTip));
}

void TMainForm1::ShowNextCheck() {
  NextCheck.reset();
  if (Timer1.Enabled()) NextCheck = LocalTimeIn(Timer1.Interval());
  ShowTrayHint();
}

void TMainForm1::ShowNewMailWaiting(std::int32_t messages) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char time[8];
  std::snprintf(time, sizeof time, "%02u:%02u", now.wHour, now.wMinute);
  NewMailWaiting = true;
  TrayIcon1.SetIconResource(GetModuleHandleW(nullptr), IDI_NEWMAILICON);
  NewMailHint = "新着メール " + std::to_string(messages) + " 通 (" + time + ")";
  ShowTrayHint();
}

void TMainForm1::NewMailLookedAt() {
  if (!NewMailWaiting) return;
  NewMailWaiting = false;
  TrayIcon1.SetIconResource(GetModuleHandleW(nullptr), IDI_MAINICON);
  NewMailHint.clear();
  ShowTrayHint();
}

// The user's mail program shows the new mail; without one, the settings window at least.
void TMainForm1::TrayIcon1BalloonClick(TObject* sender) {
  NewMailLookedAt();
  if (!StartDefaultMailClient()) N1Click(sender);
}

// A number still being typed may lie outside 1 to 59 (0, negative, or so large that the product
// overflows): the timer then keeps the last valid interval until the field brings it into range.
void TMainForm1::SpinEdit1Change(TObject*) {
  PendingMinute.reset();
  const std::int32_t minutes = SpinEdit1.Value();
  if (minutes >= 1 && minutes <= 59) {
    Timer1.SetInterval(static_cast<std::uint32_t>(minutes * kMillisecondsPerMinute));
    Wake.PeriodStarted(GetTickCount64());
    ShowNextCheck();
  }
}

// Every setting read at creation, as it stands now, each by name: one left out would be written as its
// default. The minutes as the spinner reads them: a number still being typed is brought into range at
// the next start.
TSettings TMainForm1::ShownSettings() {
  return {.Start = CheckBox1.Checked(),
          .Time = PendingTime.value_or(CheckBox2.Checked()),
          .Minute = PendingMinute.value_or(SpinEdit1.Value()),
          .NewMailByIdentity = CheckBox3.Checked(),
          .NoticesInBalloon = CheckBox4.Checked(),
          .ImapIdle = CheckBox5.Checked(),
          .EncryptPasswords = PasswordsEncrypted,
          .CheckLog = CheckBox7.Checked(),
          .QuietHours = Quiet1.Hours()};
}

// Closing during a check (its waits and boxes keep the tray menu live) ends it; this handler runs once.
void TMainForm1::FormClose(TObject*, TCloseAction&) {
  if (CheckCycle.Stopped()) return;
  CheckCycle.Stop();
  WatchAccounts();
  // An unwritable settings file is reported, but the user must always be able to quit.
  try {
    WriteSettings(SettingsFileOf(ProgramFile), ShownSettings());
  } catch (...) {
    HandleException();
  }
  Mci.SendString(L"set cdaudio door closed");
  Mci.SendString(L"close cdaudio");
}
