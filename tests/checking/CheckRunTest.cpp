// Pelmora.exe checking the private Dovecot of scripts/test as a user runs it: the check from the
// tray menu, the start-up check, and a table of 300 accounts. The server's log tells who logged in.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "accounts/AccountTexts.h"
#include "checking/CheckRules.h"
#include "pop3/TlsRules.h"
#include "tests/support/DovecotLog.h"
#include "tests/support/PelmoraUser.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestCa.h"
#include "tests/support/UiProbe.h"
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
                    std::string_view action, const std::string& sound = "") {
  return name + "," + std::string(include) + ",127.0.0.1," + user + "," + pw + "," + std::string(action) + "," +
         sound + "\r\n";
}

const std::string kInbox = "\x8e\xf3\x90\x4d\x94\xa0";   // 受信箱
const std::string kSound = "\x89\xb9";                   // 音
const std::string kExcluded = "\x8f\x9c\x8a\x4f";        // 除外
const std::string kWrong = "\x8c\xeb\x82\xe8";           // 誤り

std::wstring Text(const std::string& cp932) { return Widen(cp932); }

// The text of the next message box, which is then answered with OK; empty when none comes.
std::wstring NextBox(const ProgramRun& run, DWORD timeoutMs = 15000) {
  const HWND box = WaitForMessageBox(run, timeoutMs);
  if (!box) return {};
  const std::wstring text = uiprobe::MessageBoxText(box).utf16;
  uiprobe::PressButton(box, std::wstring_view(L"OK"));
  uiprobe::WaitForGone(box, 5000);
  return text;
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

// One line of account.dat with a connection of its own (the two fields after the seven).
std::string SecuredAccount(const std::string& name, const std::string& host, const std::string& user,
                           const std::string& pw, std::string_view security, const std::string& port) {
  return name + "," + std::string(accounts::kInclude) + "," + host + "," + user + "," + pw + "," +
         std::string(accounts::kActionMessage) + ",," + std::string(security) + "," + port + "\r\n";
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
