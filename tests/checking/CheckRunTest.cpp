// Pelmora.exe checking the private Dovecot of scripts/test as a user runs it: the check from the
// tray menu, the start-up check, the check on waking, and a table of 300 accounts. The server's log
// tells who logged in.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "accounts/portable/AccountTexts.h"
#include "checking/portable/CheckRules.h"
#include "checking/portable/NewMailNotice.h"
#include "pop3/Pop3Client.h"
#include "imap/portable/ImapResponse.h"
#include "transport/portable/TlsRules.h"
#include "tests/support/DovecotLog.h"
#include "tests/support/ExceptionMessage.h"
#include "tests/support/PelmoraUser.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/ScriptedPop3Server.h"
#include "tests/support/TestCa.h"
#include "tests/support/UiProbe.h"
#include "toolkit/Application.h"
#include "toolkit/Text.h"

namespace {

using namespace testsupport;

std::size_t Logins(const std::string& user) { return LoginLines(user).size(); }

// Polls the log until `user` has logged in `count` times in all, for at most 30 s.
bool WaitForLogins(const std::string& user, std::size_t count) {
  for (int i = 0; i < 1500 && Logins(user) < count; ++i) Sleep(20);
  return Logins(user) >= count;
}

// One line of account.dat for an account on the local server.
std::string Account(const std::string& name, std::string_view include, const std::string& user, const std::string& pw,
                    std::string_view action, const std::string& sound = "", const std::string& host = "127.0.0.1") {
  return name + "," + std::string(include) + "," + host + "," + user + "," + pw + "," + std::string(action) + "," +
         sound + "\r\n";
}

const std::string kInbox = "受信箱";
const std::string kSound = "音";
const std::string kExcluded = "除外";
const std::string kWrong = "誤り";

std::wstring Text(const std::string& cp932) { return Widen(cp932); }

// Exits through the tray menu while a check waits; true when the program is gone within a second
// (no failure box holds it), and its exit status is 0.
bool ExitsAtOnce(const ProgramRun& run, HWND tray) {
  if (!PickTrayMenuItem(run, tray, kExitItem)) return false;
  const DWORD start = GetTickCount();
  const bool gone = run.WaitForExit(3000);
  std::printf("exit during the wait took %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
  return gone && GetTickCount() - start <= 1000 && run.ExitCode() == 0;
}

class CheckRun : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(DovecotLog().empty()) << "no Dovecot log: run through scripts/test";
  }
};

}  // namespace

TEST_F(CheckRun, TheFirstCheckAnnouncesTheMailboxAndAnImmediateSecondOneIsSilent) {
  const std::vector<ProgramFile> files = {
      {"account.dat", Account(kInbox, accounts::kInclude, "pelmora3", "secret3", accounts::kActionMessage) +
                          Account(kExcluded, accounts::kExclude, "pelmora5", "secret5", accounts::kActionMessage) +
                          Account(kSound, accounts::kInclude, "pelmora3", "secret3", accounts::kActionSound,
                                  "Z:\\nonexistent\\ding.wav") +
                          Account("CD", accounts::kInclude, "pelmora1", "secret1", accounts::kActionCdTray)}};
  ProgramRun run(PelmoraExe(), files);
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  const std::size_t before = Logins("pelmora1");

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  EXPECT_EQ(NextBox(run), Text(checking::NewMailText(kInbox, 4)));
  // A sound file that cannot be opened is reported as such, not as a failed check.
  EXPECT_EQ(NextBox(run), Text(checking::kSoundFailureText));
  // The CD tray of a machine without a drive: nothing shown, and the cycle ends with that account.
  ASSERT_TRUE(WaitForLogins("pelmora1", before + 1));
  EXPECT_EQ(NextBox(run, 1000), L"");

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  ASSERT_TRUE(WaitForLogins("pelmora1", before + 2));
  EXPECT_EQ(NextBox(run, 1000), L"");
  EXPECT_EQ(Logins("pelmora5"), 0u) << "an account marked \"shinai\" was contacted";

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(run.ExitCode(), 0u);
}

TEST_F(CheckRun, ExitDuringTheStartUpCheckClosesItsBoxAndContactsNoFurtherAccount) {
  const std::vector<ProgramFile> files = {
      {"account.dat", Account(kWrong, accounts::kInclude, "pelmora3", "wrong", accounts::kActionMessage) +
                          Account(kInbox, accounts::kInclude, "pelmora5", "secret5", accounts::kActionMessage)},
      {"Pelmora.ini", "[SET]\r\nSTART=1\r\nTIME=1\r\nMINUTE=30\r\n"}};
  const std::size_t before = Logins("pelmora5");
  ProgramRun run(PelmoraExe(), files);
  const HWND box = WaitForMessageBox(run, 15000);
  ASSERT_TRUE(box);
  EXPECT_EQ(uiprobe::MessageBoxText(box).utf16, Text(checking::FailureText(kWrong)));

  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000)) << "the program waits for its box";
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_EQ(Logins("pelmora5"), before);
  EXPECT_EQ(run.ReadFile("Pelmora.ini"), "[SET]\r\nSTART=1\r\nTIME=1\r\nMINUTE=30\r\n");
}

// A server that greets and then stays silent holds the start-up check in its wait: meanwhile the
// account commands work, and an exit ends the program at once, reports no failure and keeps the
// settings read from the file.
TEST_F(CheckRun, TheUserActsFreelyWhileTheStartUpCheckWaits) {
  ScriptedPop3Server silent("127.0.0.2", 110);
  silent.Add(ServerScript().Send("+OK\r\n"));
  const std::string settings = "[SET]\r\nSTART=1\r\nTIME=0\r\nMINUTE=5\r\n";
  ProgramRun run(PelmoraExe(), {{"account.dat", Account("silent", accounts::kInclude, "u", "p",
                                                        accounts::kActionMessage, "", "127.0.0.2")},
                                {"Pelmora.ini", settings}});
  ASSERT_TRUE(PollUntil([&] { return silent.Received(0).find("USER u\r\n") != std::string::npos; }, 15000));
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);

  const HWND window = ShowSettingsWindow(run, started.tray);
  ASSERT_TRUE(window);
  ASSERT_TRUE(uiprobe::PressButton(window, std::wstring_view(L"追加(&A)...")));
  const HWND dialog = uiprobe::WaitForTopLevel(run.ProcessId(), L"PelmoraForm", L"メールアカウントの追加", 10000);
  ASSERT_TRUE(dialog) << "no account dialog during the start-up check";
  ASSERT_TRUE(uiprobe::PressButton(dialog, std::wstring_view(L"キャンセル")));
  ASSERT_TRUE(uiprobe::WaitForGone(dialog, 5000));

  EXPECT_TRUE(ExitsAtOnce(run, started.tray));
  EXPECT_EQ(run.ReadFile("Pelmora.ini"), settings);
}

// While a check waits for a server, its menu item is greyed (a screenshot shows it): picking it adds
// no check after this one. Once the check has failed, the item checks again.
TEST_F(CheckRun, TheCheckItemIsGreyWhileACheckRuns) {
  std::atomic<bool> release{false};
  ScriptedPop3Server silent("127.0.0.2", 110);
  silent.Add(ServerScript().Send("+OK\r\n").Respond([&](const std::string&) -> std::optional<std::string> {
    for (int i = 0; i < 1000 && !release; ++i) Sleep(10);
    return std::nullopt;
  }));
  silent.Add(ServerScript::Pop3Check("+OK 0 0\r\n"));
  ProgramRun run(PelmoraExe(), {{"account.dat", Account("silent", accounts::kInclude, "u", "p",
                                                        accounts::kActionMessage, "", "127.0.0.2")}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  ASSERT_TRUE(PollUntil([&] { return silent.Received(0).find("USER u\r\n") != std::string::npos; }, 10000));

  uiprobe::Post(started.tray, kTrayCallback, 0, WM_RBUTTONDOWN);
  HWND menu = nullptr;
  ASSERT_TRUE(PollUntil([&] { return (menu = uiprobe::OpenPopupMenu(run.ProcessId())) != nullptr; }, 5000));
  Sleep(200);
  std::printf("screenshot: %s\n", Screenshot("check-item-grey-during-check").c_str());
  uiprobe::PickMenuItem(menu, kCheckItem);
  Sleep(300);
  if (const HWND open = uiprobe::OpenPopupMenu(run.ProcessId())) uiprobe::PressKey(open, VK_ESCAPE);
  release = true;
  EXPECT_EQ(NextBox(run), Text(checking::FailureText("silent")));
  Sleep(1000);
  EXPECT_EQ(silent.SessionCount(), 1u) << "the greyed item started a check after the running one";

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  EXPECT_TRUE(silent.WaitForSessions(2, 10000)) << "the item stayed grey after the check";
  EXPECT_TRUE(ExitsAtOnce(run, started.tray));
}

TEST_F(CheckRun, AnExitWhileALaterCheckWaitsReportsNoFailure) {
  ScriptedPop3Server silent("127.0.0.2", 110);
  silent.Add(ServerScript());
  ProgramRun run(PelmoraExe(), {{"account.dat", Account("silent", accounts::kInclude, "u", "p",
                                                        accounts::kActionMessage, "", "127.0.0.2")}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  ASSERT_TRUE(silent.WaitForSessions(1, 10000));
  EXPECT_TRUE(ExitsAtOnce(run, started.tray));
}

// Through 127.0.0.3 the server keeps a session's mailbox locked until QUIT: the user's own mail
// program must get in while the new-mail box still waits.
TEST_F(CheckRun, TheMailboxIsFreeWhileTheNewMailBoxWaits) {
  ProgramRun run(PelmoraExe(), {{"account.dat", Account(kInbox, accounts::kInclude, "pelmora6", "secret6",
                                                        accounts::kActionMessage, "", "127.0.0.3")},
                                {"Pelmora.ini", "[SET]\r\nSTART=1\r\n"}});
  const HWND box = WaitForMessageBox(run, 15000);
  ASSERT_TRUE(box);
  EXPECT_EQ(uiprobe::MessageBoxText(box).utf16, Text(checking::NewMailText(kInbox, 2)));

  TPOP3Client mailProgram{Application()};
  mailProgram.Host = "127.0.0.3";
  mailProgram.UserID = "pelmora6";
  mailProgram.Password = "secret6";
  mailProgram.TimeOut = 5000;
  EXPECT_EQ(MessageOf([&] { mailProgram.Connect(); }), "(no exception)");
  EXPECT_EQ(mailProgram.MessageCount(), 2);
  mailProgram.Disconnect();

  uiprobe::PressButton(box, std::wstring_view(L"OK"));
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
}

TEST_F(CheckRun, OneCycleChecksThreeHundredAccounts) {
  std::string table;
  for (int i = 1; i < 300; ++i) {
    table += Account("a" + std::to_string(i), accounts::kInclude, "pelmora4", "secret4", accounts::kActionMessage);
  }
  table += Account(kInbox, accounts::kInclude, "pelmora3", "secret3", accounts::kActionMessage);
  ProgramRun run(PelmoraExe(), {{"account.dat", table}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  const std::size_t before = Logins("pelmora4");

  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  EXPECT_EQ(NextBox(run, 120000), Text(checking::NewMailText(kInbox, 4)));
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("300 accounts checked in %.2f s\n", took.count());
  EXPECT_EQ(Logins("pelmora4"), before + 299);

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
}

// One line of account.dat with a connection of its own (the two fields after the seven, and the
// protocol when one is given).
std::string SecuredAccount(const std::string& name, const std::string& host, const std::string& user,
                           const std::string& pw, std::string_view security, const std::string& port,
                           std::string_view protocol = {}) {
  return name + "," + std::string(accounts::kInclude) + "," + host + "," + user + "," + pw + "," +
         std::string(accounts::kActionMessage) + ",," + std::string(security) + "," + port +
         (protocol.empty() ? "" : "," + std::string(protocol)) + "\r\n";
}

TEST_F(CheckRun, SecuredAccountsAreAnnouncedAndFailedSecureConnectionsSayWhy) {
  ASSERT_FALSE(TestTlsFolder().empty()) << "PELMORA_DOVECOT_TLS is not set: run through scripts/test";
  TrustTestCa();
  // The failing accounts' users are unknown to the server: any login attempt would show in its log.
  const std::string table =
      SecuredAccount("TLS", "localhost", "pelmora3", "secret3", accounts::kSecuritySsl, "") +
      SecuredAccount("STARTTLS", "localhost", "pelmora5", "secret5", accounts::kSecurityStartTls, "110") +
      SecuredAccount("untrusted", "127.0.0.11", "e2e-untrusted", "x", accounts::kSecuritySsl, "") +
      SecuredAccount("wronghost", "127.0.0.1", "e2e-wronghost", "x", accounts::kSecuritySsl, "995") +
      SecuredAccount("expired", "127.0.0.12", "e2e-expired", "x", accounts::kSecuritySsl, "") +
      SecuredAccount("nostls", "127.0.0.13", "e2e-nostls", "x", accounts::kSecurityStartTls, "");
  ProgramRun run(PelmoraExe(), {{"account.dat", table}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  EXPECT_EQ(NextBox(run), Text(checking::NewMailText("TLS", 4)));
  EXPECT_EQ(NextBox(run), Text(checking::NewMailText("STARTTLS", 1)));
  EXPECT_EQ(NextBox(run), Text(checking::FailureText("untrusted", TlsFailureText(TTlsFailure::Untrusted))));
  EXPECT_EQ(NextBox(run), Text(checking::FailureText("wronghost", TlsFailureText(TTlsFailure::HostMismatch))));
  EXPECT_EQ(NextBox(run), Text(checking::FailureText("expired", TlsFailureText(TTlsFailure::Expired))));
  EXPECT_EQ(NextBox(run), Text(checking::FailureText("nostls", TlsFailureText(TTlsFailure::NoStartTls))));
  for (const std::string user : {"pelmora3", "pelmora5"}) {
    ASSERT_FALSE(LoginLines(user).empty());
    EXPECT_NE(LoginLines(user).back().find(", TLS"), std::string::npos) << LoginLines(user).back();
  }
  EXPECT_EQ(DovecotLog().find("e2e-"), std::string::npos) << "a failed secure connection sent a login";

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(run.ReadFile("account.dat"), table) << "the file is only read";
}

// SSL/TLS with the port of plain POP3 or IMAP left as it was: the server's greeting in clear, or a
// plain server's answer to the ClientHello (one that waits for the client to speak), fails at once and
// says what to change; no password leaves.
TEST_F(CheckRun, SslTlsOnAPlainPortSaysSoAtOnce) {
  ScriptedPop3Server waiting("127.0.0.2", 110);
  waiting.Add(ServerScript().Pause(300).Send("-ERR Unknown command.\r\n"));
  const std::string imap(accounts::kProtocolImap);
  const std::string table =
      SecuredAccount("pop3", "127.0.0.1", "e2e-ssl110", "x", accounts::kSecuritySsl, "110") +
      SecuredAccount("imap", "127.0.0.1", "e2e-ssl143", "x", accounts::kSecuritySsl, "143", imap) +
      SecuredAccount("waiting", "127.0.0.2", "e2e-waiting", "x", accounts::kSecuritySsl, "110");
  ProgramRun run(PelmoraExe(), {{"account.dat", table}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);

  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  for (const std::string name : {"pop3", "imap", "waiting"})
    EXPECT_EQ(NextBox(run, 5000), Text(checking::FailureText(name, TlsFailureText(TTlsFailure::NotTls))));
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("three plain ports refused in %.2f s\n", took.count());
  EXPECT_EQ(DovecotLog().find("e2e-"), std::string::npos) << "a login was sent in clear";
  EXPECT_EQ(waiting.Received(0).find("e2e-"), std::string::npos) << "a login was sent in clear";

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
}

// Dovecot serves one mailbox over both protocols: each security gives the same notice either way,
// and a refused IMAP login names its reason.
TEST_F(CheckRun, ImapAndPop3AccountsOnOneMailboxGiveTheSameNotices) {
  ASSERT_FALSE(TestTlsFolder().empty()) << "PELMORA_DOVECOT_TLS is not set: run through scripts/test";
  TrustTestCa();
  const std::string imap(accounts::kProtocolImap);
  std::string table;
  for (const std::string_view security : {std::string_view(), accounts::kSecurityStartTls, accounts::kSecuritySsl}) {
    const std::string host = security.empty() ? "127.0.0.1" : "localhost";
    table += SecuredAccount("POP3" + std::string(security), host, "pelmora3", "secret3", security, "") +
             SecuredAccount("IMAP" + std::string(security), host, "pelmora3", "secret3", security, "", imap);
  }
  table += SecuredAccount("refused", "127.0.0.1", "pelmora3", "wrong", "", "", imap) +
           SecuredAccount("nostarttls", "127.0.0.13", "e2e-nostarttls", "x", accounts::kSecurityStartTls, "", imap);
  ProgramRun run(PelmoraExe(), {{"account.dat", table}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  for (const std::string security : {"", "STARTTLS", "SSL"}) {
    EXPECT_EQ(NextBox(run), Text(checking::NewMailText("POP3" + security, 4)));
    EXPECT_EQ(NextBox(run), Text(checking::NewMailText("IMAP" + security, 4)));
  }
  EXPECT_EQ(NextBox(run), Text(checking::FailureText("refused", "ユーザー名またはパスワードが正しくありません。")));
  EXPECT_EQ(NextBox(run), Text(checking::FailureText("nostarttls", TlsFailureText(TTlsFailure::NoStartTls))));
  EXPECT_EQ(DovecotLog().find("e2e-"), std::string::npos) << "a refused STARTTLS sent a login";
  const std::vector<std::string> logins = LoginLines("pelmora3");
  ASSERT_GE(logins.size(), 2u);
  EXPECT_NE(logins.back().find(", TLS"), std::string::npos) << logins.back();

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(run.ReadFile("account.dat"), table) << "the file is only read";
}

namespace {

// The maildir of a user of the private Dovecot, as a Windows path through Wine's Z: drive.
std::string Maildir(const std::string& user) {
  const char* mail = std::getenv("PELMORA_DOVECOT_MAIL");
  return std::string("Z:") + (mail ? mail : "") + "/" + user;
}

void Deliver(const std::string& user, const std::string& name, const std::string& message) {
  std::ofstream(Maildir(user) + "/new/" + name, std::ios::binary) << message;
}

// Another mail program takes the message away (the server may have moved it from new/ to cur/).
void Remove(const std::string& user, const std::string& name) {
  for (const char* folder : {"/new/", "/cur/"}) {
    WIN32_FIND_DATAW found;
    const std::wstring pattern = Widen(Maildir(user) + folder + name) + L"*";
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    DeleteFileW((Widen(Maildir(user) + folder) + found.cFileName).c_str());
    FindClose(search);
  }
}

}  // namespace

// With new mail told by identity: the notice names sender and subject of each message that arrived
// (headers in ISO-2022-JP and UTF-8, as Japanese mail comes), newest first; a message taken away
// meanwhile gives no notice, and neither does a restart.
TEST_F(CheckRun, NewMailByIdentityNamesWhatArrivedAndNothingElse) {
  const std::string user = "pelmora7";
  Deliver(user, "id-a", "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQiAbJEJCQE86GyhC?= <yamada@example.jp>\r\n"
                        "Subject: =?ISO-2022-JP?B?GyRCMnE1RCROO3FOQRsoQg==?=\r\n\r\nbody\r\n");
  Deliver(user, "id-b", "From: news@example.com\r\n"
                        "Subject: =?UTF-8?Q?=E3=81=8A=E7=9F=A5=E3=82=89=E3=81=9B=20=F0=9F=93=A2?=\r\n\r\nbody\r\n");
  const std::vector<ProgramFile> files = {
      {"account.dat", Account("ID", accounts::kInclude, user, "secret7", accounts::kActionMessage)},
      {"Pelmora.ini", "[SET]\r\nSTART=0\r\nTIME=0\r\nMINUTE=30\r\nNEWMAIL=1\r\n"}};
  std::string ids;
  {
    ProgramRun run(PelmoraExe(), files);
    const Started started = WaitUntilStarted(run);
    ASSERT_TRUE(started.tray);
    ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
    EXPECT_EQ(NextBox(run), L"'ID' に 2 通の新しいメールが届いています。\n"
                            L"news@example.com: お知らせ 📢\n"
                            L"山田 太郎: 会議の資料");

    Remove(user, "id-a");
    ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
    ASSERT_TRUE(WaitForLogins(user, 2));
    EXPECT_EQ(NextBox(run, 1500), L"") << "a message taken away is no news";

    Deliver(user, "id-c", "From: \"Hanako\" <hanako@example.jp>\r\nSubject: lunch\r\n\r\nbody\r\n");
    ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
    EXPECT_EQ(NextBox(run), L"'ID' に 1 通の新しいメールが届いています。\nHanako: lunch");

    ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
    ASSERT_TRUE(run.WaitForExit(10000));
    EXPECT_EQ(run.ReadFile("Pelmora.ini"), files[1].bytes);
    ids = run.ReadFile("mailids.dat");
  }
  std::vector<ProgramFile> again = files;
  again.push_back({"mailids.dat", ids});
  ProgramRun run(PelmoraExe(), again);
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  ASSERT_TRUE(WaitForLogins(user, 4));
  EXPECT_EQ(NextBox(run, 1500), L"") << "a restart announced the same mail again";
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
}

namespace {

// The names of the maildir's messages that carry the \\Seen flag (an "S" after ":2,"; Wine shows the
// colon of a Unix file name as U+F03A).
std::vector<std::string> SeenMessages(const std::string& user) {
  std::vector<std::string> seen;
  for (const char* folder : {"/new/", "/cur/"}) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((Widen(Maildir(user) + folder) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      const std::wstring name = found.cFileName;
      std::size_t info = name.find(L":2,");
      if (info == std::wstring::npos) info = name.find(L"\xF03A" L"2,");
      if (info != std::wstring::npos && name.find(L'S', info) != std::wstring::npos) seen.push_back(Narrow(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return seen;
}

}  // namespace

// Over IMAP, identity is the INBOX's UIDVALIDITY and UID: a message delivered later gets exactly its
// own line, and reading the headers marks nothing as seen.
TEST_F(CheckRun, NewMailByIdentityOverImapNamesWhatArrivedAndLeavesTheFlags) {
  const std::string user = "pelmora8";
  Deliver(user, "imap-a", "From: news@example.com\r\nSubject: =?UTF-8?B?5Lya6K2w?=\r\n\r\nbody\r\n");
  const std::vector<ProgramFile> files = {
      {"account.dat", SecuredAccount("IMAP", "127.0.0.1", user, "secret8", "", "", accounts::kProtocolImap)},
      {"Pelmora.ini", "[SET]\r\nSTART=0\r\nTIME=0\r\nMINUTE=30\r\nNEWMAIL=1\r\n"}};
  ProgramRun run(PelmoraExe(), files);
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  EXPECT_EQ(NextBox(run), L"'IMAP' に 1 通の新しいメールが届いています。\nnews@example.com: 会議");

  Deliver(user, "imap-b", "From: \"Hanako\" <hanako@example.jp>\r\nSubject: lunch\r\n\r\nbody\r\n");
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  EXPECT_EQ(NextBox(run), L"'IMAP' に 1 通の新しいメールが届いています。\nHanako: lunch");
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  ASSERT_TRUE(WaitForLogins(user, 3));
  EXPECT_EQ(NextBox(run, 1500), L"") << "mail already announced is no news";
  EXPECT_EQ(SeenMessages(user), std::vector<std::string>());

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
}

namespace {

// The CPU time the process has used so far, in seconds.
double CpuSeconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  const auto seconds = [](const FILETIME& time) {
    return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace

// Servers that nest without end, number a message 0, talk without end, or say too much each fail
// their own account at once (far within the time-out), with the server's words cut, or not shown at
// all before TLS; a header line past the line bound is still shown; and the accounts after them are
// checked, the program idle afterwards.
TEST_F(CheckRun, HostileImapServersFailOnlyTheirOwnAccounts) {
  ScriptedPop3Server server("127.0.0.1", 0);
  std::string nested = "* X ";
  for (int line = 0; line < 16; ++line) nested += std::string(60000, '(') + "{0}\r\n";
  server.Add(ServerScript().Send(nested + "\r\n"));
  const std::pair<std::string, std::string> capability = {"CAPABILITY", "* CAPABILITY IMAP4rev1\r\n$ OK\r\n"};
  const auto mailbox = [&](const std::string& listing, const std::string& header) {
    return ServerScript::Imap("* OK ready\r\n",
                              {capability,
                               {"LOGIN", "$ OK\r\n"},
                               {"EXAMINE", "* OK [UIDVALIDITY 7] v\r\n* 1 EXISTS\r\n$ OK\r\n"},
                               {"FETCH 1:*", listing + "$ OK\r\n"},
                               {"UID FETCH", "* 1 FETCH (UID 5 BODY[HEADER.FIELDS (FROM SUBJECT)] {" +
                                                 std::to_string(header.size()) + "}\r\n" + header + ")\r\n$ OK\r\n"},
                               {"LOGOUT", "* BYE bye\r\n$ OK\r\n"}});
  };
  server.Add(mailbox("* 0 FETCH (UID 4)\r\n* 1 FETCH (UID 5)\r\n", "Subject: x\r\n\r\n"));
  server.Add(ServerScript().Send("* OK ready\r\n").Receive().Repeat("* OK x\r\n"));
  server.Add(ServerScript().Send("* BYE " + std::string(60000, 'x') + "\r\n"));
  server.Add(ServerScript().Send("* BYE Go to http://evil.example/ and log in there\r\n"));
  server.Add(mailbox("* 1 FETCH (UID 5)\r\n", "From: a@example.jp\r\nSubject: " + std::string(200000, 'y') + "\r\n\r\n"));
  server.Add(mailbox("* 1 FETCH (UID 5)\r\n", "From: \"Hanako\" <hanako@example.jp>\r\nSubject: lunch\r\n\r\n"));
  const std::string port = std::to_string(server.Port());
  const std::string imap(accounts::kProtocolImap);
  std::string table;
  // Each its own user: the ids seen are kept per server, port and user.
  for (const std::string name : {"nested", "zero", "flood", "bye"})
    table += SecuredAccount(name, "127.0.0.1", name, "p", "", port, imap);
  table += SecuredAccount("forged", "127.0.0.1", "forged", "p", accounts::kSecurityStartTls, port, imap);
  for (const std::string name : {"long", "good"}) table += SecuredAccount(name, "127.0.0.1", name, "p", "", port, imap);
  ProgramRun run(PelmoraExe(),
                 {{"account.dat", table}, {"Pelmora.ini", "[SET]\r\nSTART=0\r\nTIME=0\r\nMINUTE=30\r\nNEWMAIL=1\r\n"}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  for (const std::string name : {"nested", "zero", "flood"}) EXPECT_EQ(NextBox(run), Text(checking::FailureText(name)));
  EXPECT_EQ(NextBox(run),
            Text(checking::FailureText("bye", "サーバーの応答: " + std::string(kMaxServerTextChars - 1, 'x') + "…")));
  EXPECT_EQ(NextBox(run), Text(checking::FailureText("forged", kRefusedBeforeTlsText)));
  // The subject is read whole; the notice line is then cut to its width, the full-width "…" included.
  const std::wstring sender = L"a@example.jp: ";
  EXPECT_EQ(NextBox(run), L"'long' に 1 通の新しいメールが届いています。\n" + sender +
                              std::wstring(checking::kMaxNoticeLineWidth - sender.size() - 2, L'y') + L"…");
  EXPECT_EQ(NextBox(run), L"'good' に 1 通の新しいメールが届いています。\nHanako: lunch");
  EXPECT_EQ(server.SessionCount(), 7u);

  const double before = CpuSeconds(run.Process());
  Sleep(2000);
  const double busy = CpuSeconds(run.Process()) - before;
  std::printf("CPU time of the idle program over 2 s after the cycle: %.3f s\n", busy);
  EXPECT_GE(before, 0);
  EXPECT_LT(busy, 0.2) << "the program spins after the cycle";

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(run.ExitCode(), 0u);
}

// Waking from sleep checks every account at once, with neither the start-up nor the periodic check on.
TEST_F(CheckRun, WakingFromSleepChecksEveryAccountWithinFifteenSeconds) {
  const std::vector<ProgramFile> files = {
      {"account.dat", Account("CD", accounts::kInclude, "pelmora1", "secret1", accounts::kActionCdTray) +
                          Account(kInbox, accounts::kInclude, "pelmora5", "secret5", accounts::kActionCdTray)},
      {"Pelmora.ini", "[SET]\r\nSTART=0\r\nTIME=0\r\nMINUTE=30\r\n"}};
  const std::size_t first = Logins("pelmora1");
  const std::size_t second = Logins("pelmora5");
  ProgramRun run(PelmoraExe(), files);
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.main);

  ASSERT_TRUE(uiprobe::Post(started.main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0));
  EXPECT_TRUE(PollUntil([&] { return Logins("pelmora1") > first && Logins("pelmora5") > second; }, 15000));
}

// With IDLE on, a message delivered to an IMAP account is told at once, without a check being asked
// for, and only that account is checked; the POP3 account beside it stays with the cycle. Waking
// from sleep makes the watcher's connection anew, and the exit ends it with a goodbye.
TEST_F(CheckRun, WithIdleOnImapMailIsToldTheMomentItArrives) {
  const std::string kIdle = "即時";
  const std::string imap(accounts::kProtocolImap);
  const std::string table = SecuredAccount(kIdle, "127.0.0.1", "pelmora9", "secret9", "", "", imap) +
                            Account(kInbox, accounts::kInclude, "pelmora5", "secret5", accounts::kActionMessage);
  const std::vector<ProgramFile> files = {{"account.dat", table},
                                          {"Pelmora.ini", "[SET]\r\nSTART=1\r\nTIME=0\r\nMINUTE=30\r\nIDLE=1\r\n"}};
  const std::size_t watched = Logins("pelmora9");
  const std::size_t polled = Logins("pelmora5");
  ProgramRun run(PelmoraExe(), files);
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  // The start-up check: the POP3 mailbox's messages are announced; the IMAP one is empty.
  EXPECT_EQ(NextBox(run), Text(checking::NewMailText(kInbox, 1)));
  // The watcher's login and the check's.
  ASSERT_TRUE(WaitForLogins("pelmora9", watched + 2));
  Sleep(500);

  const auto toldWithin2s = [&](const std::string& name, int count) {
    const DWORD start = GetTickCount();
    Deliver("pelmora9", name, "From: a@example.com\r\nSubject: idle\r\n\r\nbody\r\n");
    const std::wstring box = NextBox(run, 2000);
    std::printf("delivery to notice: %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
    return box == Text(checking::NewMailText(kIdle, count));
  };
  EXPECT_TRUE(toldWithin2s("idle-1", 1));
  EXPECT_EQ(Logins("pelmora5"), polled + 1) << "only the IMAP account is checked";

  // After a wake-up every account is checked and the watcher is there again for the next message.
  const std::size_t before = Logins("pelmora9");
  ASSERT_TRUE(uiprobe::Post(started.main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0));
  EXPECT_TRUE(PollUntil([&] { return Logins("pelmora9") >= before + 2 && Logins("pelmora5") > polled + 1; }, 15000));
  Sleep(500);
  EXPECT_TRUE(toldWithin2s("idle-2", 2));

  EXPECT_TRUE(ExitsAtOnce(run, started.tray));
  Remove("pelmora9", "idle-1");
  Remove("pelmora9", "idle-2");
}

namespace {

// The icon's tip that holds `part`, as the shell's notification area keeps it; polled for 5 s.
std::wstring ShownTrayTip(const std::wstring& part) {
  for (int i = 0; i < 250; ++i) {
    for (const uiprobe::TopWindow& top : uiprobe::TopLevelWindows(0, false)) {
      if (top.window.className != L"tooltips_class32") continue;
      for (const uiprobe::UiText& text : uiprobe::ToolTexts(top.window.hwnd)) {
        if (text.utf16.find(part) != std::wstring::npos) return text.utf16;
      }
    }
    Sleep(20);
  }
  return {};
}

}  // namespace

// One cycle over an account with new mail, one without and one refused: the account table shows how
// each stands, and the check log holds a line for each, without a password.
TEST_F(CheckRun, TheAccountTableShowsHowEachAccountStandsAndTheLogHoldsTheCycle) {
  const std::string table =
      Account(kInbox, accounts::kInclude, "pelmora3", "secret3", accounts::kActionMessage) +
      Account("空", accounts::kInclude, "pelmora4", "secret4", accounts::kActionMessage) +
      SecuredAccount(kWrong, "127.0.0.1", "pelmora5", "wrong-secret5", "", "", accounts::kProtocolImap);
  ProgramRun run(PelmoraExe(), {{"account.dat", table}, {"Pelmora.ini", "[SET]\r\nLOG=1\r\n"}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  const std::size_t before = Logins("pelmora4");

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  EXPECT_EQ(NextBox(run), Text(checking::NewMailText(kInbox, 4)));
  const std::string refusal = "ユーザー名またはパスワードが正しくありません。";
  EXPECT_EQ(NextBox(run), Text(checking::FailureText(kWrong, refusal)));
  ASSERT_TRUE(WaitForLogins("pelmora4", before + 1));

  const HWND main = ShowSettingsWindow(run, started.tray);
  ASSERT_TRUE(main);
  const HWND list = uiprobe::FindControl(main, L"SysListView32", L"");
  ASSERT_TRUE(list);
  std::vector<std::wstring> standings;
  for (const auto& row : uiprobe::ListViewRows(list)) standings.push_back(row.back().utf16);
  ASSERT_EQ(standings.size(), 4u);
  // "HH:MM " and the outcome.
  const std::wstring outcomes[] = {L"新着 4 通", L"変化なし", L"失敗: " + Text(refusal), L""};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::wstring& cell = standings[i];
    if (outcomes[i].empty()) {
      EXPECT_EQ(cell, L"") << "the blank row";
      continue;
    }
    ASSERT_EQ(cell.size(), 6 + outcomes[i].size()) << Narrow(cell);
    EXPECT_TRUE(iswdigit(cell[0]) && iswdigit(cell[1]) && cell[2] == L':' && iswdigit(cell[3]) && iswdigit(cell[4]) &&
                cell[5] == L' ')
        << Narrow(cell);
    EXPECT_EQ(cell.substr(6), outcomes[i]);
  }
  // The timer runs (30 minutes by default) and one account failed.
  const std::wstring tip = ShownTrayTip(L"次のチェック ");
  std::printf("tip: %s\n", Narrow(tip).c_str());
  ASSERT_FALSE(tip.empty()) << "no tip in the notification area";
  const std::size_t next = tip.find(L"次のチェック ");
  EXPECT_EQ(tip.substr(next + 9, 1), L":") << Narrow(tip);
  EXPECT_EQ(tip.substr(next + 12), L"\n失敗 1 件") << Narrow(tip);
  // The column is the table's last: the picture shows the table scrolled to its right end.
  uiprobe::Post(list, LVM_SCROLL, 4000, 0);
  Sleep(300);
  const std::string shot = Screenshot("account-standings");
  if (!shot.empty()) std::printf("screenshot: %s\n", shot.c_str());

  // One UTF-8 line per account, in the order checked; no password, not even the refused one.
  const std::string log = run.ReadFile("Pelmora.log");
  std::printf("Pelmora.log:\n%s", log.c_str());
  const std::string utf8Lines[] = {"\tPOP3\t\xE6\x96\xB0\xE7\x9D\x80 4 \xE9\x80\x9A\t",  // 新着 4 通
                                   "\tPOP3\t\xE5\xA4\x89\xE5\x8C\x96\xE3\x81\xAA\xE3\x81\x97\t",  // 変化なし
                                   "\tIMAP\t\xE5\xA4\xB1\xE6\x95\x97\t"};  // 失敗
  std::size_t at = 0;
  for (const std::string& expected : utf8Lines) {
    at = log.find(expected, at);
    ASSERT_NE(at, std::string::npos) << expected;
  }
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);
  for (const char* secret : {"secret3", "secret4", "wrong-secret5"}) EXPECT_EQ(log.find(secret), std::string::npos) << secret;

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_NE(run.ReadFile("Pelmora.ini").find("LOG=1\r\n"), std::string::npos) << "the setting stays on";
}
