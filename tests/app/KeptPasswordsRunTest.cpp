// "パスワードを暗号化して保存する(&E)" of a running Pelmora.exe, driven through the UI probe: the
// passwords leave account.dat for tokens.dat and come back, and the private Dovecot of scripts/test
// still takes the login between.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "accounts/portable/AccountTexts.h"
#include "signin/portable/TokenFile.h"
#include "tests/support/DovecotLog.h"
#include "tests/support/PelmoraUser.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/UiProbe.h"

namespace {

using namespace testsupport;

const std::wstring kEncryptBox = L"パスワードを暗号化して保存する(&E)";

std::string Line(const std::string& name, std::string_view include, const std::string& user, const std::string& pw) {
  return "\"" + name + "\"," + std::string(include) + ",127.0.0.1," + user + "," + pw + "," +
         std::string(accounts::kActionMessage) + ",\r\n";
}

// pelmora4 (empty) is checked; pelmora5 is not, so that its mailbox's logins stay with other tests.
const std::string kWithPasswords = Line("受信箱", accounts::kInclude, "pelmora4", "secret4") +
                                   Line("除外", accounts::kExclude, "pelmora5", "secret5");
const std::string kWithout = Line("受信箱", accounts::kInclude, "pelmora4", "") +
                             Line("除外", accounts::kExclude, "pelmora5", "");

bool FileBecomes(const ProgramRun& run, const std::string& name, const std::string& bytes) {
  return PollUntil([&] { return run.HasFile(name) && run.ReadFile(name) == bytes; });
}

// Clicks the box on the settings window's "メールチェック" tab.
bool ClickEncryptBox(const ProgramRun& run, const Started& started) {
  const HWND main = ShowSettingsWindow(run, started.tray);
  const HWND tabs = main ? uiprobe::FindControl(main, L"SysTabControl32", L"") : nullptr;
  if (!tabs || !uiprobe::SelectTab(tabs, 1)) return false;
  const HWND box = uiprobe::FindControl(main, L"Button", kEncryptBox);
  if (!PollUntil([&] { return uiprobe::Describe(box).visible; })) return false;
  const int before = uiprobe::Describe(box).checked;
  return uiprobe::PressButton(main, kEncryptBox) && PollUntil([&] { return uiprobe::Describe(box).checked != before; });
}

// What a message box of the program says, for a failure's text.
std::string BoxText(const ProgramRun& run) {
  const HWND box = WaitForMessageBox(run, 0);
  return box ? uiprobe::MessageBoxText(box).utf8 : "(no message box)";
}

// A check from the tray menu that logs pelmora4 in and shows nothing: no failure, no mail.
bool ChecksCleanly(const ProgramRun& run, const Started& started) {
  const std::size_t before = LoginLines("pelmora4").size();
  if (!PickTrayMenuItem(run, started.tray, kCheckItem)) return false;
  const bool loggedIn = PollUntil([&] { return LoginLines("pelmora4").size() > before; }, 30000);
  return loggedIn && !WaitForMessageBox(run, 1000);
}

void Exit(const ProgramRun& run, const Started& started) {
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
}

}  // namespace

TEST(KeptPasswordsRun, PasswordsMoveToTheEncryptedStoreAndBackWhileChecksGoOn) {
  ASSERT_FALSE(DovecotLog().empty()) << "no Dovecot log: run through scripts/test";
  std::vector<ProgramFile> files;
  {
    ProgramRun run(PelmoraExe(), {{"account.dat", kWithPasswords}});
    const Started started = WaitUntilStarted(run);
    ASSERT_TRUE(started.tray);
    ASSERT_TRUE(ClickEncryptBox(run, started));
    ASSERT_TRUE(FileBecomes(run, "account.dat", kWithout)) << BoxText(run);
    // Written at once: a start after a lost session still looks in tokens.dat.
    EXPECT_NE(run.ReadFile("Pelmora.ini").find("ENCRYPT=1"), std::string::npos);
    const std::string tokens = run.ReadFile("tokens.dat");
    const std::vector<TTokenRecord> records = ParseTokenFile(tokens);
    ASSERT_EQ(records.size(), 2u) << tokens;
    for (const TTokenRecord& record : records) {
      EXPECT_EQ(record.Provider, "password");
      EXPECT_EQ(record.Blob.find("secret"), std::string::npos) << record.User;
    }
    EXPECT_EQ(tokens.find("secret"), std::string::npos);
    EXPECT_TRUE(ChecksCleanly(run, started));
    Exit(run, started);
    files = {{"account.dat", run.ReadFile("account.dat")},
             {"tokens.dat", tokens},
             {"Pelmora.ini", run.ReadFile("Pelmora.ini")}};
  }
  EXPECT_EQ(files[0].bytes, kWithout);

  ProgramRun run(PelmoraExe(), files);
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  EXPECT_TRUE(ChecksCleanly(run, started));
  ASSERT_TRUE(ClickEncryptBox(run, started));
  EXPECT_TRUE(FileBecomes(run, "account.dat", kWithPasswords)) << BoxText(run);
  EXPECT_TRUE(FileBecomes(run, "tokens.dat", std::string(kTokenFileFirstLine) + "\r\n")) << run.ReadFile("tokens.dat");
  EXPECT_EQ(run.ReadFile("Pelmora.ini").find("ENCRYPT"), std::string::npos);
  Exit(run, started);
  EXPECT_EQ(run.ReadFile("Pelmora.ini"), "[SET]\r\nSTART=0\r\nTIME=1\r\nMINUTE=30\r\n");
}
