// The check cycle of the main window against the project's scripted POP3 server on 127.0.0.2:110
// (the program always uses port 110; the private Dovecot has 127.0.0.1).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "accounts/portable/AccountTexts.h"
#include "app/MainWindow1.h"
#include "checking/CheckLogFile.h"
#include "checking/MailActions.h"
#include "checking/QuietTimes.h"
#include "checking/portable/CheckRules.h"
#include "checking/portable/NewMailNotice.h"
#include "desktop/Mci.h"
#include "tests/pop3/Pumping.h"
#include "tests/support/PlatformRecorders.h"
#include "tests/support/ScriptedPop3Server.h"
#include "tests/support/WaveFile.h"
#include "tests/toolkit/BoxWatch.h"
#include "toolkit/Application.h"
#include "toolkit/Files.h"
#include "toolkit/Text.h"

namespace {

const std::string kServer = "127.0.0.2";

void SetAccount(TMainForm1& form, int row, const std::string& name, std::string_view include,
                const std::string& host, std::string_view action = accounts::kActionMessage) {
  if (form.Accounts.RowCount() <= row + 1) form.Accounts.SetRowCount(row + 2);
  const std::string cells[] = {name, std::string(include), host, "user", "pass", std::string(action), ""};
  for (int col = 0; col < 7; ++col) form.Accounts.SetCell(col, row, cells[col]);
}

// Runs `cycle` and answers every box it shows with OK; returns the texts shown, in order.
std::vector<std::wstring> BoxesOf(const std::function<void()>& cycle, const std::function<void()>& duringFirstBox = {}) {
  std::vector<std::wstring> shown;
  bool first = true;
  std::function<void(HWND)> answer = [&](HWND box) {
    shown.push_back(boxwatch::Seen.text);
    if (first && duringFirstBox) duringFirstBox();
    first = false;
    boxwatch::Seen = BoxSeen{};  // ready for the next box of the same cycle
    PressBoxButton(box, IDOK);
  };
  WatchBox(cycle, answer);
  return shown;
}

// One cycle from the menu.
std::vector<std::wstring> Check(TMainForm1& form, const std::function<void()>& duringFirstBox = {}) {
  return BoxesOf([&form] { form.N2Click(&form.N2); }, duringFirstBox);
}

// One cycle that the user leaves: not from the menu, whose handler would then end the test program.
std::vector<std::wstring> CheckLeft(TMainForm1& form) {
  return BoxesOf([&form] { form.CheckCycle.Run(); });
}

// Commands of the user that run from inside the cycle's waits, each once, after its delay.
std::map<UINT_PTR, std::function<void()>> LaterCommands;

void CALLBACK RunLaterCommand(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  const std::function<void()> command = std::move(LaterCommands[timer]);
  LaterCommands.erase(timer);
  command();
}

void Later(UINT delayMs, std::function<void()> command) {
  LaterCommands[SetTimer(nullptr, 0, delayMs, RunLaterCommand)] = std::move(command);
}

// Runs `action` from inside the cycle's waits as soon as `ready` holds; gives up after 5 s.
void When(std::function<bool()> ready, std::function<void()> action, int tries = 500) {
  Later(10, [ready = std::move(ready), action = std::move(action), tries]() mutable {
    if (ready())
      action();
    else if (tries > 1)
      When(std::move(ready), std::move(action), tries - 1);
  });
}

// The POP3 check of a mailbox told by identity: STAT, UIDL with `ids` by number, TOP of each message
// in `headers` (newest first), QUIT answered after `quitDelayMs`.
ServerScript Pop3IdentityCheck(const std::vector<std::string>& ids, const std::vector<std::string>& headers,
                               int quitDelayMs = 0) {
  std::string listing = "+OK\r\n";
  for (std::size_t i = 0; i < ids.size(); ++i) listing += std::to_string(i + 1) + " " + ids[i] + "\r\n";
  ServerScript script;
  script.Send("+OK ready\r\n").Reply("+OK\r\n").Reply("+OK\r\n").Reply("+OK " + std::to_string(ids.size()) + " 100\r\n");
  script.Reply(listing + ".\r\n");
  for (const std::string& header : headers) script.Reply("+OK\r\n" + header + ".\r\n");
  return script.Receive().Pause(quitDelayMs).Send("+OK bye\r\n");
}

// An IMAP INBOX with the messages `uids` under `validity`; each message's header is from a@example.jp
// with its UID as subject.
ServerScript ImapInbox(std::uint32_t validity, std::vector<std::uint32_t> uids) {
  return ServerScript().Send("* OK [CAPABILITY IMAP4rev1] ready\r\n").Respond(
      [validity, uids](const std::string& line) -> std::optional<std::string> {
        const std::string tag = line.substr(0, line.find(' '));
        const std::string command = line.substr(tag.size() + 1);
        std::string reply;
        if (command.starts_with("EXAMINE")) {
          reply = "* " + std::to_string(uids.size()) + " EXISTS\r\n* OK [UIDVALIDITY " + std::to_string(validity) +
                  "] v\r\n";
        } else if (command.starts_with("FETCH 1:*")) {
          for (std::size_t i = 0; i < uids.size(); ++i)
            reply += "* " + std::to_string(i + 1) + " FETCH (UID " + std::to_string(uids[i]) + ")\r\n";
        } else if (command.starts_with("UID FETCH ")) {
          // A set of UIDs: "5,4".
          std::istringstream set(command.substr(10, command.find(' ', 10) - 10));
          for (std::string item; std::getline(set, item, ',');) {
            const std::uint32_t uid = static_cast<std::uint32_t>(std::stoul(item));
            const std::size_t number = std::find(uids.begin(), uids.end(), uid) - uids.begin() + 1;
            const std::string header = "From: a@example.jp\r\nSubject: " + std::to_string(uid) + "\r\n\r\n";
            reply += "* " + std::to_string(number) + " FETCH (UID " + std::to_string(uid) +
                     " BODY[HEADER.FIELDS (FROM SUBJECT)] {" + std::to_string(header.size()) + "}\r\n" + header + ")\r\n";
          }
        } else if (command.starts_with("LOGOUT")) {
          reply = "* BYE bye\r\n";
        }
        return reply + tag + " OK done\r\n";
      });
}

std::wstring IdentityNotice(const std::string& account, std::vector<checking::MailSummary> newestFirst) {
  const std::u16string text =
      checking::NewMailNoticeText(account, newestFirst.size(), newestFirst, checking::Cp932ToUtf16);
  return std::wstring(text.begin(), text.end());
}

// The balloon texts shown, in order.
std::vector<std::wstring> Balloons(const RecordingShell& shell) {
  std::vector<std::wstring> texts;
  for (const auto& [message, data] : shell.Notified) {
    if (data.uFlags & NIF_INFO) texts.emplace_back(data.szInfo);
  }
  return texts;
}

class CheckCycle : public ::testing::Test {
protected:
  ScriptedPop3Server Server{kServer, 110};
};

// A test that tells new mail by identity starts from no ids file and leaves none.
class CheckCycleByIdentity : public CheckCycle {
protected:
  void SetUp() override {
    Form.SetCheckTimeOut(3000);
    Form.CheckCycle.SetNewMailByIdentity(true);
    Remove();
  }
  void TearDown() override { Remove(); }
  void Remove() {
    SetFileAttributesW(Widen(IdsFile).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(Widen(IdsFile).c_str());
  }
  std::string Ids() const {
    std::string bytes;
    return ReadWholeFile(IdsFile, bytes) == TReadResult::Read ? bytes : "(none)";
  }
  void SetBalloon(bool on) {
    Form.CheckBox4.SetChecked(on);
    Form.CheckBox4Click(&Form.CheckBox4);
  }

  RecordingShell Shell;
  TMainForm1 Form{Shell};
  const std::string IdsFile = Form.ProgramDir + "\\mailids.dat";
};

// Keeps the commands sent to the devices and the files opened; the devices get them too.
class CommandRecorder : public TSystemMci {
public:
  MCIERROR SendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR parameters) override {
    Commands.push_back(command);
    if (command == MCI_OPEN) Opened.push_back(reinterpret_cast<MCI_OPEN_PARMSW*>(parameters)->lpstrElementName);
    return TSystemMci::SendCommand(device, command, flags, parameters);
  }

  std::vector<UINT> Commands;
  std::vector<std::wstring> Opened;
};

}  // namespace

TEST_F(CheckCycle, NotifiesEveryChangeToANonZeroCountWithTheExactText) {
  TMainForm1 form;
  SetAccount(form, 1, "自宅", accounts::kInclude, kServer);
  std::vector<std::wstring> shown;
  for (const char* stat : {"+OK 0 0\r\n", "+OK 3 1\r\n", "+OK 3 1\r\n", "+OK 5 1\r\n", "+OK 2 1\r\n", "+OK 0 0\r\n",
                           "+OK 2 1\r\n"}) {
    Server.Add(ServerScript::Pop3Check(stat));
    for (const std::wstring& text : Check(form)) shown.push_back(text);
  }
  std::vector<std::wstring> expected;
  for (int n : {3, 5, 2, 2}) expected.push_back(Widen(checking::NewMailText("自宅", n)));
  EXPECT_EQ(shown, expected);
  ASSERT_EQ(Server.SessionCount(), 7u);
  EXPECT_EQ(Server.ReceivedLines(0), (std::vector<std::string>{"USER user\r\n", "PASS pass\r\n", "STAT\r\n", "QUIT\r\n"}));
}

TEST_F(CheckCycle, AFailedAccountIsReportedAndTheNextOneIsCheckedWhileExcludedOnesAreNeverContacted) {
  TMainForm1 form;
  form.SetCheckTimeOut(3000);
  SetAccount(form, 1, "nowhere", accounts::kInclude, "nonexistent.invalid");
  SetAccount(form, 2, "off", accounts::kExclude, kServer);
  SetAccount(form, 3, "home", accounts::kInclude, kServer);
  Server.Add(ServerScript::Pop3Check("+OK 4 100\r\n"));
  const std::vector<std::wstring> shown = Check(form);
  EXPECT_EQ(shown, (std::vector<std::wstring>{Widen(checking::FailureText("nowhere")),
                                              Widen(checking::NewMailText("home", 4))}));
  EXPECT_EQ(Server.SessionCount(), 1u);
}

TEST_F(CheckCycle, AServerThatFailsAtQuitGetsItsNewMailThenTheFailure) {
  TMainForm1 form;
  SetAccount(form, 1, "home", accounts::kInclude, kServer);
  ServerScript script;
  script.Send("+OK ready\r\n").Reply("+OK\r\n").Reply("+OK\r\n").Reply("+OK 1 10\r\n").Reply("-ERR no\r\n").Close();
  Server.Add(script);
  EXPECT_EQ(Check(form), (std::vector<std::wstring>{Widen(checking::NewMailText("home", 1)),
                                                    Widen(checking::FailureText("home"))}));
}

TEST_F(CheckCycle, ACheckAskedForDuringACycleRunsOnceAfterItAndNeverInsideIt) {
  TMainForm1 form;
  SetAccount(form, 1, "home", accounts::kInclude, kServer);
  Server.Add(ServerScript::Pop3Check("+OK 1 1\r\n"));
  Server.Add(ServerScript::Pop3Check("+OK 2 1\r\n"));
  Server.Add(ServerScript::Pop3Check("+OK 3 1\r\n"));
  // Two more requests while the first cycle's box is open (the session is still open): one more cycle.
  const std::vector<std::wstring> shown = Check(form, [&] {
    form.N2Click(&form.N2);
    form.Timer1Timer(&form.Timer1);
    EXPECT_EQ(Server.SessionCount(), 1u);
  });
  EXPECT_EQ(shown, (std::vector<std::wstring>{Widen(checking::NewMailText("home", 1)),
                                              Widen(checking::NewMailText("home", 2))}));
  EXPECT_EQ(Server.SessionCount(), 2u);
}

TEST_F(CheckCycle, RowsDeletedWhileABoxIsOpenEndTheCycleWithoutIndexingOutsideTheTable) {
  TMainForm1 form;
  SetAccount(form, 1, "first", accounts::kInclude, kServer);
  SetAccount(form, 2, "second", accounts::kInclude, kServer);
  Server.Add(ServerScript::Pop3Check("+OK 1 1\r\n"));
  const std::vector<std::wstring> shown = Check(form, [&] {
    form.Accounts.DeleteRow(2);
    form.Accounts.DeleteRow(1);
  });
  EXPECT_EQ(shown, (std::vector<std::wstring>{Widen(checking::NewMailText("first", 1))}));
  EXPECT_EQ(Server.SessionCount(), 1u);
}

TEST_F(CheckCycle, AnAccountDeletedDuringASessionTakesItsResultAlongAndTheCycleGoesOnWithTheNextAccount) {
  TMainForm1 form;
  SetAccount(form, 1, "first", accounts::kExclude, kServer);
  SetAccount(form, 2, "second", accounts::kInclude, kServer);
  SetAccount(form, 3, "third", accounts::kInclude, kServer);
  // The row above the checked account goes while its greeting is awaited.
  Server.Add(ServerScript::Pop3Check("+OK 3 1\r\n", 600));
  Server.Add(ServerScript::Pop3Check("+OK 5 1\r\n"));
  Later(200, [&] { form.Accounts.DeleteRow(1); });
  EXPECT_EQ(Check(form), (std::vector<std::wstring>{Widen(checking::NewMailText("second", 3)),
                                                    Widen(checking::NewMailText("third", 5))}));
  EXPECT_EQ(form.LastMailCount()[1], 3);
  EXPECT_EQ(form.LastMailCount()[2], 5);

  // The checked account itself goes: nothing of its session is recorded or shown.
  Server.Add(ServerScript::Pop3Check("+OK 4 1\r\n", 600));
  Server.Add(ServerScript::Pop3Check("+OK 7 1\r\n"));
  Later(200, [&] { form.Accounts.DeleteRow(1); });
  EXPECT_EQ(Check(form), (std::vector<std::wstring>{Widen(checking::NewMailText("third", 7))}));
  EXPECT_EQ(form.LastMailCount()[1], 7);
  EXPECT_EQ(Server.SessionCount(), 4u);
}

TEST_F(CheckCycle, TheTimeOutCountsTheServersSilenceNotTheTimeADialogOpenedDuringAWaitStaysOpen) {
  TMainForm1 form;
  form.SetCheckTimeOut(1000);
  SetAccount(form, 1, "home", accounts::kInclude, kServer);
  const auto editWhileWaiting = [&] {
    Later(100, [&] {
      Later(2500, [&] { form.AccountCommands.AccountForm1.SetModalResult(mrCancel); });
      form.AccountCommands.Edit(1);
    });
  };
  // The greeting came while the dialog was open.
  Server.Add(ServerScript::Pop3Check("+OK 2 1\r\n", 300));
  editWhileWaiting();
  EXPECT_EQ(Check(form), (std::vector<std::wstring>{Widen(checking::NewMailText("home", 2))}));
  // A server that never greets still fails the check.
  Server.Add(ServerScript());
  editWhileWaiting();
  EXPECT_EQ(Check(form), (std::vector<std::wstring>{Widen(checking::FailureText("home"))}));
}

TEST_F(CheckCycle, TheSoundActionPlaysTheAccountsFileAndReportsOneThatCannotBeOpened) {
  CommandRecorder mci;
  TMainForm1 form(SystemShell(), mci);
  SetAccount(form, 1, "home", accounts::kInclude, kServer, accounts::kActionSound);
  form.Accounts.SetCell(accounts::ColSoundFile, 1, "Z:\\nonexistent\\ding.wav");
  Server.Add(ServerScript::Pop3Check("+OK 1 1\r\n"));
  EXPECT_EQ(Check(form), (std::vector<std::wstring>{Widen(checking::kSoundFailureText)}));

  const std::string wave = WriteWave("pelmora-cycle-test.wav");
  form.Accounts.SetCell(accounts::ColSoundFile, 1, wave);
  mci.Commands.clear();
  Server.Add(ServerScript::Pop3Check("+OK 2 1\r\n"));
  EXPECT_EQ(Check(form), std::vector<std::wstring>{});
  EXPECT_EQ(mci.Opened, (std::vector<std::wstring>{L"Z:\\nonexistent\\ding.wav", Widen(wave)}));
  ASSERT_FALSE(mci.Commands.empty());
  EXPECT_EQ(mci.Commands.front(), static_cast<UINT>(MCI_OPEN));
  EXPECT_EQ(mci.Commands.back(), static_cast<UINT>(MCI_PLAY)) << "the sound plays on after the cycle";
  EXPECT_EQ(Server.SessionCount(), 2u);
}

// Counts are kept by row whatever the row's number, and a shrinking table keeps the counts it had.
TEST_F(CheckCycle, EveryRowKeepsItsOwnLastMailCountBeyondRow254) {
  TMainForm1 form;
  SetAccount(form, 300, "far", accounts::kInclude, kServer);
  Server.Add(ServerScript::Pop3Check("+OK 7 1\r\n"));
  EXPECT_EQ(Check(form), (std::vector<std::wstring>{Widen(checking::NewMailText("far", 7))}));
  form.Accounts.DeleteRow(1);
  ASSERT_GT(form.LastMailCount().size(), 300u);
  EXPECT_EQ(form.LastMailCount()[300], 7);
}

// With new mail told by identity, a server whose UIDL listing runs past its STAT count, whose id is
// longer than RFC 1939 allows, or whose TOP never ends or runs past its bound fails its account
// within the time-out, and the ids file stays as it was.
TEST_F(CheckCycle, ABrokenListingOrHeaderFailsTheAccountAndLeavesTheIdsFileAsItWas) {
  TMainForm1 form;
  form.SetCheckTimeOut(1000);
  form.CheckCycle.SetNewMailByIdentity(true);
  const std::string idsFile = form.ProgramDir + "\\mailids.dat";
  const std::string recorded = "[127.0.0.2 110 user]\r\nold\r\n";
  ASSERT_TRUE(ReplaceWholeFile(idsFile, recorded));
  const auto login = [](const std::string& stat) {
    ServerScript script;
    script.Send("+OK ready\r\n").Reply("+OK\r\n").Reply("+OK\r\n").Reply(stat);
    return script;
  };
  Server.Add(login("+OK 2 100\r\n").Reply("+OK\r\n1 a\r\n2 b\r\n3 c\r\n4 d\r\n.\r\n"));
  Server.Add(login("+OK 1 50\r\n").Reply("+OK\r\n1 " + std::string(71, 'x') + "\r\n.\r\n"));
  Server.Add(login("+OK 1 50\r\n").Reply("+OK\r\n1 new\r\n.\r\n").Reply("+OK\r\nSubject: x\r\n"));
  std::string endless = "+OK\r\n";
  for (int i = 0; i < 6000; ++i) endless += "X-Line: " + std::to_string(i) + "\r\n";
  Server.Add(login("+OK 1 50\r\n").Reply("+OK\r\n1 new\r\n.\r\n").Reply(endless));
  // The next account is checked afresh, by its count where the server has no UIDL.
  Server.Add(login("+OK 1 50\r\n").Reply("-ERR no UIDL\r\n").Reply("+OK bye\r\n"));
  for (int row = 1; row <= 5; ++row) SetAccount(form, row, "box" + std::to_string(row), accounts::kInclude, kServer);
  EXPECT_EQ(Check(form), (std::vector<std::wstring>{
                             Widen(checking::FailureText("box1")), Widen(checking::FailureText("box2")),
                             Widen(checking::FailureText("box3")), Widen(checking::FailureText("box4")),
                             Widen(checking::NewMailText("box5", 1))}));
  std::string after;
  EXPECT_EQ(ReadWholeFile(idsFile, after), TReadResult::Read);
  EXPECT_EQ(after, recorded);
  DeleteFileW(Widen(idsFile).c_str());
}

// A UID listing that misses a message keeps its id known, so it is no news when it is listed again.
TEST_F(CheckCycle, AnIncompleteListingForgetsNoId) {
  TMainForm1 form;
  form.SetCheckTimeOut(1000);
  form.CheckCycle.SetNewMailByIdentity(true);
  const std::string idsFile = form.ProgramDir + "\\mailids.dat";
  const std::string recorded = "[127.0.0.2 110 user]\r\n7:5\r\n7:6\r\n";
  ASSERT_TRUE(ReplaceWholeFile(idsFile, recorded));
  SetAccount(form, 1, "imap", accounts::kInclude, kServer);
  form.Accounts.SetCell(accounts::ColPort, 1, "110");
  form.Accounts.SetCell(accounts::ColProtocol, 1, accounts::kProtocolImap);
  Server.Add(ServerScript::Imap("* PREAUTH\r\n", {{"EXAMINE", "* OK [UIDVALIDITY 7] v\r\n* 2 EXISTS\r\n$ OK\r\n"},
                                                   {"FETCH 1:*", "* 1 FETCH (FLAGS ())\r\n* 2 FETCH (UID 6)\r\n$ OK\r\n"},
                                                   {"LOGOUT", "* BYE\r\n$ OK\r\n"}}));
  EXPECT_TRUE(Check(form).empty());
  std::string after;
  EXPECT_EQ(ReadWholeFile(idsFile, after), TReadResult::Read);
  EXPECT_EQ(after, recorded);
  DeleteFileW(Widen(idsFile).c_str());
}

// With notices in a balloon: no box holds the cycle; one balloon sums it up (new mail, then the
// failures, with the warning icon), the tray icon shows that mail waits until the balloon is clicked,
// which without a registered mail program opens the settings window.
TEST_F(CheckCycle, NoticesInABalloonSumUpTheCycleWithoutABox) {
  Application().SetTitle("ペルモーラ");
  RecordingShell shell;
  TMainForm1 form(shell);
  form.SetCheckTimeOut(1000);
  form.CheckBox4.SetChecked(true);
  form.CheckBox4Click(&form.CheckBox4);
  SetAccount(form, 1, "home", accounts::kInclude, kServer);
  SetAccount(form, 2, "nowhere", accounts::kInclude, "nonexistent.invalid");
  Server.Add(ServerScript::Pop3Check("+OK 3 100\r\n"));
  EXPECT_TRUE(Check(form).empty()) << "a message box held the cycle";

  const auto balloon = std::find_if(shell.Notified.rbegin(), shell.Notified.rend(),
                                    [](const auto& call) { return (call.second.uFlags & NIF_INFO) != 0; });
  ASSERT_NE(balloon, shell.Notified.rend());
  EXPECT_EQ(std::wstring(balloon->second.szInfo),
            Widen(checking::NewMailText("home", 3)) + L"\n" + Widen(checking::FailureText("nowhere")));
  EXPECT_EQ(std::wstring(balloon->second.szInfoTitle), L"ペルモーラ");
  EXPECT_EQ(balloon->second.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING | NIIF_RESPECT_QUIET_TIME));
  EXPECT_EQ(form.TrayIcon1.Hint().rfind("新着メール 3 通 (", 0), 0u) << form.TrayIcon1.Hint();
  EXPECT_EQ(shell.Notified.back().second.szTip, Widen(form.TrayIcon1.Hint()));

  SendMessageW(form.TrayIcon1.CallbackWindow(), TTrayIcon::kCallbackMessage, 0, NIN_BALLOONUSERCLICK);
  EXPECT_EQ(form.TrayIcon1.Hint(), "失敗 1 件");
  EXPECT_TRUE(form.Visible()) << "without a mail program the settings window opens";
  form.Button4Click(&form.Button4);
}

// IMAP ids are UIDVALIDITY:UID. A server that gives the INBOX a new UIDVALIDITY at every session
// announces nothing but what came beyond the messages recorded before.
TEST_F(CheckCycleByIdentity, ANewUidValidityAnnouncesOnlyTheMessagesBeyondTheRecordedCount) {
  SetAccount(Form, 1, "imap", accounts::kInclude, kServer);
  Form.Accounts.SetCell(accounts::ColProtocol, 1, std::string(accounts::kProtocolImap));
  Form.Accounts.SetCell(accounts::ColPort, 1, "110");
  Server.Add(ImapInbox(5, {1, 2}));
  Server.Add(ImapInbox(6, {1, 2}));
  Server.Add(ImapInbox(7, {1, 2, 3}));
  EXPECT_EQ(Check(Form), (std::vector<std::wstring>{
                             IdentityNotice("imap", {{u"a@example.jp", u"2"}, {u"a@example.jp", u"1"}})}));
  EXPECT_EQ(Check(Form), std::vector<std::wstring>{}) << "a new UIDVALIDITY alone is no news";
  EXPECT_EQ(Check(Form), (std::vector<std::wstring>{IdentityNotice("imap", {{u"a@example.jp", u"3"}})}));
  EXPECT_EQ(Ids(), "[127.0.0.2 110 user]\r\n7:1\r\n7:2\r\n7:3\r\n");
}

// A watcher whose connection broke checks its account after the reconnect; the server gave the INBOX
// a new UIDVALIDITY meanwhile, and only the message beyond those recorded before is told.
TEST_F(CheckCycleByIdentity, AfterAReconnectANewUidValidityTellsOnlyWhatCameBeyondTheRecord) {
  SetAccount(Form, 1, "imap", accounts::kInclude, kServer);
  Form.Accounts.SetCell(accounts::ColProtocol, 1, std::string(accounts::kProtocolImap));
  Form.Accounts.SetCell(accounts::ColPort, 1, "110");
  Server.Add(ImapInbox(5, {1, 2}));
  EXPECT_EQ(Check(Form).size(), 1u);
  Server.Add(ServerScript::ImapIdle());
  Server.Add(ServerScript::ImapIdle());
  Server.Add(ImapInbox(6, {1, 2, 3}));
  Form.CheckBox5.SetChecked(true);
  Form.CheckBox5Click(&Form.CheckBox5);
  ASSERT_TRUE(PumpUntil([this] { return Form.Watchers1.Idling() == 1; }, 3000));
  const std::vector<std::wstring> told = BoxesOf([this] {
    Server.Drop(1);
    PumpUntil([this] { return Server.SessionCount() == 4 && Server.WaitForSessionEnd(3, 0); }, 5000);
  });
  EXPECT_EQ(told, (std::vector<std::wstring>{IdentityNotice("imap", {{u"a@example.jp", u"3"}})}));
  EXPECT_EQ(Ids(), "[127.0.0.2 110 user]\r\n6:1\r\n6:2\r\n6:3\r\n");
  Form.CheckBox5.SetChecked(false);
  Form.CheckBox5Click(&Form.CheckBox5);
}

// A read-only ids file: the notice comes first, then a failure that names the file and why; the ids
// stay known for the rest of the run, so the same mail is not announced again.
TEST_F(CheckCycleByIdentity, AnIdsFileThatCannotBeWrittenIsReportedAfterTheNoticeAndItsMailToldOnce) {
  ASSERT_TRUE(ReplaceWholeFile(IdsFile, "[127.0.0.2 110 user]\r\nold\r\n"));
  ASSERT_TRUE(SetFileAttributesW(Widen(IdsFile).c_str(), FILE_ATTRIBUTE_READONLY));
  SetAccount(Form, 1, "home", accounts::kInclude, kServer);
  Server.Add(Pop3IdentityCheck({"old", "new"}, {"From: a@example.jp\r\nSubject: hello\r\n"}));
  Server.Add(Pop3IdentityCheck({"old", "new"}, {}));
  // ファイル … を保存できませんでした。 / ファイルが読み取り専用です。
  const std::wstring failure =
      Widen("ファイル " + IdsFile + " を保存できませんでした。\nファイルが読み取り専用です。");
  EXPECT_EQ(Check(Form),
            (std::vector<std::wstring>{IdentityNotice("home", {{u"a@example.jp", u"hello"}}), failure}));
  EXPECT_EQ(Check(Form), std::vector<std::wstring>{failure}) << "the same mail was announced again";

  ASSERT_TRUE(SetFileAttributesW(Widen(IdsFile).c_str(), FILE_ATTRIBUTE_NORMAL));
  Server.Add(Pop3IdentityCheck({"old", "new"}, {}));
  EXPECT_EQ(Check(Form), std::vector<std::wstring>{});
  EXPECT_EQ(Ids(), "[127.0.0.2 110 user]\r\nnew\r\nold\r\n");
}

// The user unticks the balloon while the second account is checked: the cycle's notices still go to
// its balloon, none to a box, and the next cycle shows boxes.
TEST_F(CheckCycle, TheBalloonSettingChangedDuringACycleTakesEffectAtTheNextOne) {
  RecordingShell shell;
  TMainForm1 form(shell);
  const auto setBalloon = [&form](bool on) {
    form.CheckBox4.SetChecked(on);
    form.CheckBox4Click(&form.CheckBox4);
  };
  setBalloon(true);
  SetAccount(form, 1, "first", accounts::kInclude, kServer);
  SetAccount(form, 2, "second", accounts::kInclude, kServer);
  Server.Add(ServerScript::Pop3Check("+OK 3 100\r\n"));
  Server.Add(ServerScript::Pop3Check("+OK 4 100\r\n", 1000));
  When([&] { return Server.SessionCount() == 2; }, [&] { setBalloon(false); });
  EXPECT_EQ(Check(form), std::vector<std::wstring>{}) << "a box in a cycle of balloons";
  EXPECT_EQ(Balloons(shell), (std::vector<std::wstring>{Widen(checking::NewMailText("first", 3)) + L"\n" +
                                                         Widen(checking::NewMailText("second", 4))}));

  Server.Add(ServerScript::Pop3Check("+OK 5 100\r\n"));
  Server.Add(ServerScript::Pop3Check("+OK 6 100\r\n"));
  EXPECT_EQ(Check(form), (std::vector<std::wstring>{Widen(checking::NewMailText("first", 5)),
                                                    Widen(checking::NewMailText("second", 6))}));
  EXPECT_EQ(Balloons(shell).size(), 1u);
}

// Leaving while the server ends its session: no box was shown, so the ids file keeps what it had.
TEST_F(CheckCycleByIdentity, LeavingBeforeTheBoxRecordsNoIdsOfItsMail) {
  const std::string recorded = "[127.0.0.2 110 user]\r\nold\r\n";
  ASSERT_TRUE(ReplaceWholeFile(IdsFile, recorded));
  SetAccount(Form, 1, "home", accounts::kInclude, kServer);
  Server.Add(Pop3IdentityCheck({"old", "new"}, {"From: a@example.jp\r\nSubject: hello\r\n"}, 1500));
  When([&] { return Server.Received(0).ends_with("QUIT\r\n"); },
       [&] { Form.CheckCycle.Stop(); });
  EXPECT_EQ(CheckLeft(Form), std::vector<std::wstring>{});
  EXPECT_EQ(Ids(), recorded);
}

// Leaving before the cycle's balloon: the mail of the accounts checked so far was never told, so the
// ids file keeps what it had.
TEST_F(CheckCycleByIdentity, LeavingBeforeTheBalloonRecordsNoIdsOfTheCycle) {
  const std::string recorded = "[127.0.0.2 110 user]\r\nold\r\n";
  ASSERT_TRUE(ReplaceWholeFile(IdsFile, recorded));
  SetBalloon(true);
  SetAccount(Form, 1, "home", accounts::kInclude, kServer);
  SetAccount(Form, 2, "later", accounts::kInclude, kServer);
  Server.Add(Pop3IdentityCheck({"old", "new"}, {"From: a@example.jp\r\nSubject: hello\r\n"}));
  Server.Add(ServerScript::Pop3Check("+OK 1 1\r\n", 1500));
  When([&] { return Server.SessionCount() == 2; }, [&] { Form.CheckCycle.Stop(); });
  EXPECT_EQ(CheckLeft(Form), std::vector<std::wstring>{});
  EXPECT_EQ(Balloons(Shell), std::vector<std::wstring>{});
  EXPECT_EQ(Ids(), recorded);
}

// While a check waits, the icon's tip names the account being checked and the menu's check item is
// greyed; afterwards both are as before.
TEST_F(CheckCycle, WhileACheckRunsTheTipNamesTheAccountAndTheCheckItemIsGrey) {
  RecordingShell shell;
  TMainForm1 form(shell);
  form.SetCheckTimeOut(500);
  SetAccount(form, 1, "自宅のメール", accounts::kInclude, kServer);
  Server.Add(ServerScript().Send("+OK\r\n"));
  std::string hint;
  std::wstring tip;
  bool enabled = true;
  Later(250, [&] {
    hint = form.TrayIcon1.Hint();
    tip = shell.Notified.back().second.szTip;
    enabled = form.N2.Enabled;
  });
  EXPECT_EQ(Check(form), std::vector<std::wstring>{Widen(checking::FailureText("自宅のメール"))});
  EXPECT_EQ(hint, "チェック中… 自宅のメール");
  EXPECT_EQ(tip, L"チェック中… 自宅のメール");
  EXPECT_FALSE(enabled);
  EXPECT_EQ(form.TrayIcon1.Hint(), "失敗 1 件");
  EXPECT_EQ(shell.Notified.back().second.szTip, std::wstring(L"失敗 1 件"));
  EXPECT_TRUE(form.N2.Enabled);
}

// After each account's check its standing shows in the grid's last column, kept with the account;
// the tip tells the next check while the timer runs, and how many accounts failed.
TEST_F(CheckCycle, EachAccountsStandingAndTheNextCheckShowAfterItsCheck) {
  RecordingShell shell;
  TMainForm1 form(shell);
  form.SetCheckTimeOut(1000);
  form.CheckBox2Click(&form.CheckBox2);
  SetAccount(form, 1, "home", accounts::kInclude, kServer);
  SetAccount(form, 2, "nowhere", accounts::kInclude, "nonexistent.invalid");
  EXPECT_EQ(form.StringGrid1.Cell(10, 1), "");
  Server.Add(ServerScript::Pop3Check("+OK 3 100\r\n"));
  EXPECT_EQ(Check(form).size(), 2u);
  EXPECT_EQ(form.StringGrid1.Cell(10, 1).substr(5), " 新着 3 通") << form.StringGrid1.Cell(10, 1);
  EXPECT_EQ(form.StringGrid1.Cell(10, 2).substr(5), " 失敗");
  const std::wstring tip = shell.Notified.back().second.szTip;
  EXPECT_EQ(tip.find(L"次のチェック "), 0u) << Narrow(tip);
  EXPECT_EQ(tip.substr(tip.size() - 7), L"\n失敗 1 件") << Narrow(tip);

  // The failed account leaves the table: its standing and its count go; the other keeps its own.
  form.Accounts.DeleteRow(2);
  Server.Add(ServerScript::Pop3Check("+OK 3 100\r\n"));
  form.CheckBox2.SetChecked(false);
  form.CheckBox2Click(&form.CheckBox2);
  EXPECT_TRUE(Check(form).empty());
  EXPECT_EQ(form.StringGrid1.Cell(10, 1).substr(5), " 変化なし");
  EXPECT_EQ(form.StringGrid1.Cell(10, 2), "");
  EXPECT_EQ(form.TrayIcon1.Hint(), "") << "no timer, no failure";
}

// A check log that cannot be written is told once, not at every check, and the checks go on.
TEST_F(CheckCycle, ACheckLogThatCannotBeWrittenIsToldOnceAndTheChecksGoOn) {
  RecordingShell shell;
  TMainForm1 form(shell);
  form.SetCheckTimeOut(1000);
  const std::wstring log = Widen(form.ProgramDir + "\\Pelmora.log");
  ASSERT_TRUE(CreateDirectoryW(log.c_str(), nullptr));
  form.CheckBox7.SetChecked(true);
  SetAccount(form, 1, "home", accounts::kInclude, kServer);
  Server.Add(ServerScript::Pop3Check("+OK 3 100\r\n"));
  const std::vector<std::wstring> first = Check(form);
  Server.Add(ServerScript::Pop3Check("+OK 4 100\r\n"));
  const std::vector<std::wstring> second = Check(form);
  RemoveDirectoryW(log.c_str());
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0], Widen(checking::NewMailText("home", 3)));
  EXPECT_EQ(first[1].rfind(L"チェックの記録 ", 0), 0u) << Narrow(first[1]);
  EXPECT_EQ(second, std::vector<std::wstring>{Widen(checking::NewMailText("home", 4))});
  EXPECT_EQ(form.StringGrid1.Cell(10, 1).substr(5), " 新着 4 通");
}

// The log moves aside before it would pass its bound, replacing the one moved aside before.
TEST(CheckLogFile, MovesAsideBeforeItPassesItsBoundAndWritesUtf8) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string path = Narrow(temp) + "pelmora-log-" + std::to_string(GetCurrentProcessId()) + ".log";
  ASSERT_TRUE(ReplaceWholeFile(path + ".1", "old"));
  ASSERT_TRUE(ReplaceWholeFile(path, std::string(checking::kMaxLogBytes - 10, 'x')));
  checking::TCheckLogFile file(path);
  file.Append("短い\r\n");
  EXPECT_EQ(FileSize(path), checking::kMaxLogBytes - 2) << "8 bytes of UTF-8 fit";
  file.Append("abc\r\n");
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(path, bytes), TReadResult::Read);
  EXPECT_EQ(bytes, "abc\r\n");
  EXPECT_EQ(ReadWholeFile(path + ".1", bytes), TReadResult::Read);
  EXPECT_EQ(bytes.size(), checking::kMaxLogBytes - 2);
  EXPECT_EQ(bytes.substr(bytes.size() - 8), "\xE7\x9F\xAD\xE3\x81\x84\r\n");
  DeleteFileW(Widen(path).c_str());
  DeleteFileW(Widen(path + ".1").c_str());
}

namespace {

// A second server, for the account in `row`, on a port of its own.
class CheckCycleOfSome : public CheckCycle {
protected:
  void SetUp() override {
    SetAccount(Form, 1, "home", accounts::kInclude, kServer);
    SetAccount(Form, 2, "work", accounts::kInclude, kServer);
    Form.Accounts.SetCell(accounts::ColPort, 2, std::to_string(Other.Port()));
    Form.SetCheckTimeOut(3000);
  }

  ScriptedPop3Server Other{kServer, 0};
  TMainForm1 Form;
  const checking::AccountKey Home{kServer, 110, "user"};
  const checking::AccountKey Work{kServer, Other.Port(), "user"};
};

}  // namespace

// Only the account asked for is contacted, and its notice is the one a cycle gives.
TEST_F(CheckCycleOfSome, ACheckOfOneAccountContactsOnlyItsServerWithTheCyclesNotice) {
  Other.Add(ServerScript::Pop3Check("+OK 2 100\r\n"));
  EXPECT_EQ(BoxesOf([&] { Form.CheckCycle.RunOnly({Work}); }),
            (std::vector<std::wstring>{Widen(checking::NewMailText("work", 2))}));
  EXPECT_EQ(Server.SessionCount(), 0u);
  EXPECT_EQ(Other.SessionCount(), 1u);
  EXPECT_EQ(Form.LastMailCount()[2], 2);

  // An account no longer marked for checking is not checked on request either.
  Form.Accounts.SetCell(accounts::ColInclude, 2, std::string(accounts::kExclude));
  EXPECT_EQ(BoxesOf([&] { Form.CheckCycle.RunOnly({Work}); }), std::vector<std::wstring>{});
  EXPECT_EQ(Other.SessionCount(), 1u);
}

// Asked for twice while a cycle's box is open: not inside the cycle, but once right after it.
TEST_F(CheckCycleOfSome, ACheckOfOneAccountAskedForDuringACycleRunsOnceAfterIt) {
  Server.Add(ServerScript::Pop3Check("+OK 1 100\r\n"));
  Other.Add(ServerScript::Pop3Check("+OK 2 100\r\n"));
  Other.Add(ServerScript::Pop3Check("+OK 3 100\r\n"));
  const std::vector<std::wstring> shown = Check(Form, [&] {
    Form.CheckCycle.RunOnly({Work});
    Form.CheckCycle.RunOnly({Work, Work});
    EXPECT_EQ(Other.SessionCount(), 0u);
  });
  EXPECT_EQ(shown, (std::vector<std::wstring>{Widen(checking::NewMailText("home", 1)),
                                              Widen(checking::NewMailText("work", 2)),
                                              Widen(checking::NewMailText("work", 3))}));
  EXPECT_EQ(Server.SessionCount(), 1u);
  EXPECT_EQ(Other.SessionCount(), 2u);
}

// An account is failed from its failed check until one of its checks succeeds, or it leaves the table.
TEST_F(CheckCycleOfSome, FailedAccountsAreThoseWhoseLastCheckFailed) {
  Server.Add(ServerScript::Pop3Check("+OK 1 100\r\n"));
  // The second server closes the first connection at once.
  EXPECT_EQ(Check(Form), (std::vector<std::wstring>{Widen(checking::NewMailText("home", 1)),
                                                    Widen(checking::FailureText("work"))}));
  EXPECT_EQ(Form.CheckCycle.FailedAccounts(), std::vector<checking::AccountKey>{Work});

  Other.Add(ServerScript::Pop3Check("+OK 2 100\r\n"));
  EXPECT_EQ(BoxesOf([&] { Form.CheckCycle.RunOnly({Work}); }),
            (std::vector<std::wstring>{Widen(checking::NewMailText("work", 2))}));
  EXPECT_EQ(Form.CheckCycle.FailedAccounts(), std::vector<checking::AccountKey>{});

  EXPECT_EQ(BoxesOf([&] { Form.CheckCycle.RunOnly({Work}); }),
            (std::vector<std::wstring>{Widen(checking::FailureText("work"))}));
  Form.Accounts.DeleteRow(2);
  EXPECT_EQ(Form.CheckCycle.FailedAccounts(), std::vector<checking::AccountKey>{});
}

// The machine's addresses changed: only the accounts that failed are checked again, and with none
// failed no server is contacted.
TEST_F(CheckCycleOfSome, AnAddressChangeChecksOnlyTheFailedAccounts) {
  EXPECT_EQ(BoxesOf([&] { Form.AddressWatch1Change(&Form.AddressWatch1); }), std::vector<std::wstring>{});
  EXPECT_EQ(Server.SessionCount() + Other.SessionCount(), 0u);

  Server.Add(ServerScript::Pop3Check("+OK 1 100\r\n"));
  EXPECT_EQ(Check(Form), (std::vector<std::wstring>{Widen(checking::NewMailText("home", 1)),
                                                    Widen(checking::FailureText("work"))}));
  Other.Add(ServerScript::Pop3Check("+OK 2 100\r\n"));
  EXPECT_EQ(BoxesOf([&] { Form.AddressWatch1Change(&Form.AddressWatch1); }),
            (std::vector<std::wstring>{Widen(checking::NewMailText("work", 2))}));
  EXPECT_EQ(Server.SessionCount(), 1u);
  EXPECT_EQ(Other.SessionCount(), 2u);
}

namespace {

// Keeps every MCI string and command and passes none on: a held notice reaches no device.
class DeviceRecorder : public TSystemMci {
public:
  MCIERROR SendString(const std::wstring& command) override {
    Strings.push_back(command);
    return 0;
  }
  MCIERROR SendCommand(MCIDEVICEID, UINT command, DWORD_PTR, DWORD_PTR) override {
    Commands.push_back(command);
    return 0;
  }

  std::vector<std::wstring> Strings;
  std::vector<UINT> Commands;
};

// A message, a sound and a CD-tray account, each with new mail at the next check.
void SetNoticeAccounts(TMainForm1& form, ScriptedPop3Server& server) {
  SetAccount(form, 1, "box", accounts::kInclude, kServer);
  SetAccount(form, 2, "sound", accounts::kInclude, kServer, accounts::kActionSound);
  form.Accounts.SetCell(accounts::ColSoundFile, 2, "ding.wav");
  SetAccount(form, 3, "tray", accounts::kInclude, kServer, accounts::kActionCdTray);
  for (const char* stat : {"+OK 1 10\r\n", "+OK 2 10\r\n", "+OK 3 10\r\n"}) server.Add(ServerScript::Pop3Check(stat));
}

std::wstring HeldSummary() {
  return L"通知を控えていた間のお知らせ (3 件):\n" + Widen(checking::NewMailText("box", 1)) + L"\n" +
         Widen(checking::NewMailText("sound", 2)) + L"\n" + Widen(checking::NewMailText("tray", 3));
}

}  // namespace

// While Windows says the user is busy, no box, sound or tray; once it ends, one box tells all that
// waited, at the next check or the minute's look, and only once.
TEST_F(CheckCycle, WhileWindowsSaysBusyNoticesWaitForOneSummaryAfter) {
  RecordingShell shell;
  DeviceRecorder mci;
  TMainForm1 form(shell, mci);
  SetNoticeAccounts(form, Server);
  shell.State = QUNS_RUNNING_D3D_FULL_SCREEN;
  EXPECT_EQ(Check(form), std::vector<std::wstring>{}) << "a box while the user is busy";
  EXPECT_EQ(Server.SessionCount(), 3u) << "the check itself goes on";
  EXPECT_EQ(mci.Strings, std::vector<std::wstring>{});
  EXPECT_EQ(mci.Commands, std::vector<UINT>{});
  EXPECT_EQ(BoxesOf([&] { form.QuietTimerTimer(&form.QuietTimer); }), std::vector<std::wstring>{});

  shell.State = QUNS_ACCEPTS_NOTIFICATIONS;
  EXPECT_EQ(BoxesOf([&] { form.QuietTimerTimer(&form.QuietTimer); }), std::vector<std::wstring>{HeldSummary()});
  EXPECT_EQ(BoxesOf([&] { form.QuietTimerTimer(&form.QuietTimer); }), std::vector<std::wstring>{});
  EXPECT_EQ(mci.Commands, std::vector<UINT>{}) << "the summary plays no sound after the fact";
  EXPECT_EQ(mci.Strings, std::vector<std::wstring>{});
}

// The quiet hours by a clock of the test's: checks go on, notices wait until the hours end, balloons
// included; with the hours switched off the next notice comes at once.
TEST_F(CheckCycle, InTheQuietHoursNoticesWaitUntilTheyEndAlsoAcrossMidnight) {
  RecordingShell shell;
  DeviceRecorder mci;
  TMainForm1 form(shell, mci);
  std::int32_t minute = 23 * 60;
  checking::TQuietTimes quiet(shell, [&minute] { return minute; });
  quiet.SetHours(checking::QuietHours{22 * 60, 7 * 60});
  form.CheckCycle.SetQuiet(quiet);
  SetNoticeAccounts(form, Server);
  EXPECT_EQ(Check(form), std::vector<std::wstring>{});
  EXPECT_EQ(mci.Commands, std::vector<UINT>{});
  EXPECT_EQ(mci.Strings, std::vector<std::wstring>{});
  minute = 6 * 60 + 59;
  EXPECT_EQ(BoxesOf([&] { form.QuietTimerTimer(&form.QuietTimer); }), std::vector<std::wstring>{});
  minute = 7 * 60;
  EXPECT_EQ(BoxesOf([&] { form.QuietTimerTimer(&form.QuietTimer); }), std::vector<std::wstring>{HeldSummary()});

  // A balloon waits too: Windows knows nothing of these hours.
  form.CheckBox4.SetChecked(true);
  form.CheckBox4Click(&form.CheckBox4);
  minute = 22 * 60;
  form.Accounts.SetCell(accounts::ColInclude, 2, std::string(accounts::kExclude));
  form.Accounts.SetCell(accounts::ColInclude, 3, std::string(accounts::kExclude));
  Server.Add(ServerScript::Pop3Check("+OK 4 10\r\n"));
  EXPECT_EQ(Check(form), std::vector<std::wstring>{});
  EXPECT_EQ(Balloons(shell), std::vector<std::wstring>{});
  minute = 8 * 60;
  form.QuietTimerTimer(&form.QuietTimer);
  EXPECT_EQ(Balloons(shell), (std::vector<std::wstring>{L"通知を控えていた間のお知らせ (1 件):\n" +
                                                         Widen(checking::NewMailText("box", 4))}));
  EXPECT_EQ(form.TrayIcon1.Hint().rfind("新着メール 4 通 (", 0), 0u) << form.TrayIcon1.Hint();
}

// Mail held while the user is busy is recorded as told only once its summary was shown: a program
// ended meanwhile tells it at its next start rather than never.
TEST_F(CheckCycleByIdentity, TheIdsOfHeldMailAreRecordedOnlyOnceItsSummaryWasShown) {
  SetAccount(Form, 1, "home", accounts::kInclude, kServer);
  Shell.State = QUNS_PRESENTATION_MODE;
  Server.Add(Pop3IdentityCheck({"new"}, {"From: a@example.jp\r\nSubject: hello\r\n"}));
  EXPECT_EQ(Check(Form), std::vector<std::wstring>{});
  EXPECT_EQ(Ids(), "(none)");
  Shell.State = QUNS_ACCEPTS_NOTIFICATIONS;
  EXPECT_EQ(BoxesOf([&] { Form.QuietTimerTimer(&Form.QuietTimer); }),
            std::vector<std::wstring>{L"通知を控えていた間のお知らせ (1 件):\n" +
                                      IdentityNotice("home", {{u"a@example.jp", u"hello"}})});
  EXPECT_EQ(Ids(), "[127.0.0.2 110 user]\r\nnew\r\n");
}
