// Pelmora.ini and the mail-check tab of a running Pelmora.exe, driven from outside through the UI probe;
// the start-up check against the scripted POP3 server on 127.0.0.2:110.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/PelmoraUser.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/ScriptedPop3Server.h"
#include "tests/support/UiProbe.h"

namespace {

using namespace testsupport;

const std::wstring kPeriodicBox =
    L"指定時間ごとにメールチェックを行う(&C)";

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 10000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

// The interval spinner: the one one-line edit of the main window (the other edit is the hidden memo).
HWND Spinner(HWND main) {
  for (const uiprobe::Control& c : uiprobe::Controls(main)) {
    if (c.className == L"Edit" && !(GetWindowLongW(c.hwnd, GWL_STYLE) & ES_MULTILINE)) return c.hwnd;
  }
  return nullptr;
}

std::wstring Text(HWND control) { return uiprobe::WindowText(control).utf16; }

int PeriodicCheckState(HWND main) { return uiprobe::Describe(uiprobe::FindControl(main, L"Button", kPeriodicBox)).checked; }

// Shows the settings window with a double click on the tray icon and opens its "メールチェック" tab.
HWND OpenCheckTab(const ProgramRun& run, const Started& started) {
  const HWND main = ShowSettingsWindow(run, started.tray);
  const HWND tabs = main ? uiprobe::FindControl(main, L"SysTabControl32", L"") : nullptr;
  if (!tabs || !uiprobe::SelectTab(tabs, 1)) return nullptr;
  const HWND spinner = Spinner(main);
  return WaitFor([&] { return uiprobe::Describe(spinner).visible; }) ? main : nullptr;
}

}  // namespace

TEST(SettingsRun, MinutesTypedAndLeftInTheFieldAreWrittenAsTypedAtExitAndBroughtIntoRangeAtTheNextStart) {
  std::string settings;
  {
    ProgramRun run(PelmoraExe());
    const Started started = WaitUntilStarted(run);
    ASSERT_TRUE(started.tray);
    const HWND main = OpenCheckTab(run, started);
    ASSERT_TRUE(main);
    const HWND spinner = Spinner(main);
    EXPECT_EQ(Text(spinner), L"30");
    const std::string shot = Screenshot("settings-check-tab");
    if (!shot.empty()) std::printf("screenshot: %s\n", shot.c_str());

    // Alt+I, the access key of "分ごと(&I)", puts the focus into the field; then 75 is typed over 30.
    uiprobe::Post(main, WM_SYSCHAR, L'i', 1 << 29);
    ASSERT_TRUE(WaitFor([&] { return uiprobe::FocusedControl(main) == spinner; }));
    uiprobe::SelectAllText(spinner);
    uiprobe::TypeText(spinner, L"75");
    ASSERT_TRUE(WaitFor([&] { return Text(spinner) == L"75"; }));
    // The tray menu takes the foreground from the window, but the field keeps the focus in it.
    ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
    ASSERT_TRUE(run.WaitForExit(10000));
    settings = run.ReadFile("Pelmora.ini");
  }
  EXPECT_EQ(settings, "[SET]\r\nSTART=0\r\nTIME=1\r\nMINUTE=75\r\n");

  ProgramRun next(PelmoraExe(), {{"Pelmora.ini", settings}});
  const Started started = WaitUntilStarted(next);
  ASSERT_TRUE(started.tray);
  const HWND main = OpenCheckTab(next, started);
  ASSERT_TRUE(main);
  EXPECT_EQ(Text(Spinner(main)), L"59");
}

// Each setting on, then each off: the file comes back byte for byte, with the keys in the order read.
TEST(SettingsRun, EverySettingReadAtStartIsWrittenBackAsItStandsAtExit) {
  const std::vector<std::pair<std::string, std::wstring>> files = {
      {"[SET]\r\nSTART=1\r\nTIME=1\r\nMINUTE=7\r\nNEWMAIL=1\r\nBALLOON=1\r\nIDLE=1\r\n", L"7"},
      {"[SET]\r\nSTART=0\r\nTIME=0\r\nMINUTE=12\r\n", L"12"},
  };
  for (const auto& [settings, minutes] : files) {
    ProgramRun run(PelmoraExe(), {{"Pelmora.ini", settings}});
    const Started started = WaitUntilStarted(run);
    ASSERT_TRUE(started.tray);
    // MINUTE is applied last: once the field shows it, start-up is over.
    ASSERT_TRUE(WaitFor([&] { return Text(Spinner(started.main)) == minutes; })) << settings;
    ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
    ASSERT_TRUE(run.WaitForExit(10000));
    EXPECT_EQ(run.ReadFile("Pelmora.ini"), settings);
  }
}

namespace {

// One account on the scripted server with the message action, named 自宅.
const std::string kHomeAccount =
    "\"自宅\",する,127.0.0.2,user,pass,ﾒｯｾｰｼﾞ,\r\n";

}  // namespace

TEST(SettingsRun, TheStartUpCheckAnnouncesNewMailBeforeTheScheduleIsSetAndWithoutShowingTheWindow) {
  ScriptedPop3Server server("127.0.0.2", 110);
  server.Add(ServerScript::Pop3Check("+OK 3 708\r\n"));
  ProgramRun run(PelmoraExe(), {{"account.dat", kHomeAccount}, {"Pelmora.ini", "[SET]\r\nSTART=1\r\nTIME=0\r\nMINUTE=5\r\n"}});
  const HWND box = WaitForMessageBox(run, 15000);
  ASSERT_TRUE(box);
  // '自宅' に 3 通のメールが届いています。
  EXPECT_EQ(uiprobe::MessageBoxText(box).utf16,
            L"'自宅' に 3 通のメールが届いています。");
  for (const uiprobe::TopWindow& shown : uiprobe::TopLevelWindows(run.ProcessId(), true))
    EXPECT_EQ(shown.window.hwnd, box) << "a window besides the box is shown: " << shown.window.text.utf8;
  // The check runs between reading START and applying TIME and MINUTE: the tab still shows its design.
  const HWND main = FindWindowOf(run.ProcessId(), L"PelmoraForm", kMainCaption, 0);
  ASSERT_TRUE(main);
  EXPECT_EQ(Text(Spinner(main)), L"30");
  EXPECT_EQ(PeriodicCheckState(main), BST_CHECKED);

  ASSERT_TRUE(uiprobe::PressButton(box, std::wstring_view(L"OK")));
  EXPECT_TRUE(WaitFor([&] { return Text(Spinner(main)) == L"5" && PeriodicCheckState(main) == BST_UNCHECKED; }));
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_EQ(server.ReceivedLines(0), (std::vector<std::string>{"USER user\r\n", "PASS pass\r\n", "STAT\r\n", "QUIT\r\n"}));
}

TEST(SettingsRun, WithoutTheStartUpCheckNoServerIsContacted) {
  ScriptedPop3Server server("127.0.0.2", 110);
  server.Add(ServerScript::Pop3Check("+OK 3 708\r\n"));
  ProgramRun run(PelmoraExe(), {{"account.dat", kHomeAccount}, {"Pelmora.ini", "[SET]\r\nSTART=0\r\nTIME=1\r\nMINUTE=5\r\n"}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.main);
  // MINUTE is applied after the place of the start-up check: once the field shows it, start-up is over.
  ASSERT_TRUE(WaitFor([&] { return Text(Spinner(started.main)) == L"5"; }));
  EXPECT_EQ(server.SessionCount(), 0u);
  EXPECT_TRUE(uiprobe::TopLevelWindows(run.ProcessId(), true).empty());
}
