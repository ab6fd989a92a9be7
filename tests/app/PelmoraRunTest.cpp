// Pelmora.exe started as a user starts it, driven from outside through the UI probe.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/PelmoraUser.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/UiProbe.h"
#include "toolkit/Text.h"

namespace {

using namespace testsupport;

// Three accounts with Japanese names, a comma in a name, a blank line and a password with a space.
const std::string kThreeAccounts =
    "\"自宅, メイン\",する,pop.example.jp,taro,pw,ﾒｯｾｰｼﾞ,\r\n\"\",,,,,,\r\n\"会社\",しない,mail.example.com,hanako,\"a b\",ｻｳﾝﾄﾞ,C:\\s.wav\r\n";

// Starts the program file `exe` in `folder`, as a user does; no process when it cannot.
PROCESS_INFORMATION StartProgram(const std::wstring& exe, const std::wstring& folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + exe + L"\"";
  CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info);
  return info;
}

// True when the process ended within `timeoutMs` with exit code 0; otherwise it is ended. Its handles
// are closed.
bool EndsWithCodeZero(const PROCESS_INFORMATION& info, DWORD timeoutMs) {
  if (!info.hProcess) return false;
  const bool ended = WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0;
  DWORD code = 1;
  GetExitCodeProcess(info.hProcess, &code);
  if (!ended) {
    TerminateProcess(info.hProcess, 1);
    WaitForSingleObject(info.hProcess, 5000);
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return ended && code == 0;
}

std::vector<std::wstring> Utf16(const std::vector<uiprobe::UiText>& texts) {
  std::vector<std::wstring> out;
  for (const auto& t : texts) out.push_back(t.utf16);
  return out;
}

}  // namespace

TEST(PelmoraRun, LivesInTheTrayShowsTheAccountsOnDoubleClickAndEndsWithTheCloseBox) {
  ProgramRun run(testsupport::PelmoraExe(), {{"account.dat", kThreeAccounts}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.main);
  ASSERT_TRUE(started.tray);
  Sleep(300);
  EXPECT_TRUE(uiprobe::TopLevelWindows(run.ProcessId(), true).empty()) << "a window of the program is visible";

  // A double click on the icon shows the settings window on its first tab.
  const HWND main = ShowSettingsWindow(run, started.tray);
  ASSERT_EQ(main, started.main);
  const HWND tabs = uiprobe::FindControl(main, L"SysTabControl32", L"");
  ASSERT_TRUE(tabs);
  EXPECT_EQ(Utf16(uiprobe::TabCaptions(tabs)),
            (std::vector<std::wstring>{L"アカウント", L"メールチェック"}));
  EXPECT_EQ(uiprobe::CurrentTab(tabs), 0);

  const HWND list = uiprobe::FindControl(main, L"SysListView32", L"");
  ASSERT_TRUE(list);
  std::vector<std::vector<std::wstring>> rows;
  for (const auto& row : uiprobe::ListViewRows(list)) rows.push_back(Utf16(row));
  const std::vector<std::wstring> blank(10, L"");
  // The connection columns show what is in force for an account, blank rows stay blank.
  const std::vector<std::vector<std::wstring>> expected = {
      {L"自宅, メイン", L"する", L"pop.example.jp", L"taro", L"pw",
       L"ﾒｯｾｰｼﾞ", L"", L"なし", L"110", L"POP3"},
      blank,
      {L"会社", L"しない", L"mail.example.com", L"hanako", L"a b", L"ｻｳﾝﾄﾞ",
       L"C:\\s.wav", L"なし", L"110", L"POP3"},
      blank,
  };
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(uiprobe::ListViewSelection(list), std::vector<int>{0});

  // What the user sees and can reach; the buffer controls exist but never show.
  bool sawHiddenButton = false;
  for (const uiprobe::Control& c : uiprobe::Controls(main)) {
    if (c.text.utf16 == L"LOAD" || c.text.utf16 == L"SAVE") {
      sawHiddenButton = true;
      EXPECT_FALSE(c.visible);
    }
    if (c.text.utf16 == L"削除(&D)...") EXPECT_TRUE(c.enabled && c.visible);
    if (c.text.utf16 == L"タスクトレイへ") EXPECT_TRUE(c.visible);
  }
  EXPECT_TRUE(sawHiddenButton);
  const std::string shot = testsupport::Screenshot("settings-window");
  if (!shot.empty()) std::printf("screenshot: %s\n", shot.c_str());

  // "タスクトレイへ" hides it; the icon brings it back on the same tab.
  ASSERT_TRUE(uiprobe::PressButton(main, std::wstring_view(L"タスクトレイへ")));
  EXPECT_TRUE(uiprobe::WaitForGone(main, 5000));
  EXPECT_EQ(run.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  ASSERT_EQ(ShowSettingsWindow(run, started.tray), main);
  EXPECT_EQ(uiprobe::CurrentTab(tabs), 0);

  // The close box ends the program.
  uiprobe::Post(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(run.ExitCode(), 0u);
}

TEST(PelmoraRun, ExitFromTheTrayMenuEndsTheProgramWithoutAnAccountFile) {
  ProgramRun run(testsupport::PelmoraExe());
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_FALSE(run.HasFile("account.dat"));
}

TEST(PelmoraRun, AnUnreadableAccountFileEndsTheProgramAfterTheErrorDialog) {
  // A folder in the place of the file: it exists but can't be read. Built by hand, since the program
  // reads the file the moment it starts.
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"pelmora-unreadable-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring exe = folder + L"\\Pelmora.exe";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(testsupport::PelmoraExe().c_str(), exe.c_str(), FALSE));
  CreateDirectoryW((folder + L"\\account.dat").c_str(), nullptr);
  const PROCESS_INFORMATION info = StartProgram(exe, folder);
  ASSERT_TRUE(info.hProcess);
  const HWND box = uiprobe::WaitForTopLevel(info.dwProcessId, L"#32770", kTitle, 15000);
  std::wstring text;
  if (box) {
    text = uiprobe::MessageBoxText(box).utf16;
    uiprobe::PressButton(box, std::wstring_view(L"OK"));
  }
  const bool endedWithZero = EndsWithCodeZero(info, 10000);
  DeleteFileW(exe.c_str());
  RemoveDirectoryW((folder + L"\\account.dat").c_str());
  RemoveDirectoryW(folder.c_str());

  ASSERT_TRUE(box);
  // "ファイル %s は開けません" with the "." of the error dialog.
  EXPECT_EQ(text, L"ファイル " + folder + L"\\account.dat は開けません.");
  EXPECT_TRUE(endedWithZero);
}

TEST(PelmoraRun, TheUserGuideLiesBesideTheProgramInCodePage932WithCrLf) {
  std::wstring path = testsupport::PelmoraExe();
  path = path.substr(0, path.find_last_of(L'\\')) + L"\\Readme.txt";
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::string bytes(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  bytes.resize(got);
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes.rfind("ペルモーラ", 0), 0u);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "a line without CR at byte " << i;
  }
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  // Every byte decodes as code page 932 and nothing is lost on the way back.
  const std::wstring text = Widen(bytes);
  EXPECT_EQ(Narrow(text), bytes);
  EXPECT_NE(text.find(L"終了する(&X)"), std::wstring::npos);
}

TEST(PelmoraRun, TheEndOfTheWindowsSessionWritesTheSettingsAndEndsTheProgram) {
  ProgramRun run(testsupport::PelmoraExe());
  ASSERT_FALSE(run.HasFile("Pelmora.ini"));
  ASSERT_TRUE(WaitUntilStarted(run).main);
  const HWND application = FindWindowOf(run.ProcessId(), L"PelmoraApplication", kTitle, 5000);
  ASSERT_TRUE(application);
  uiprobe::Post(application, WM_ENDSESSION, TRUE, 0);
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_NE(run.ReadFile("Pelmora.ini").find("MINUTE=30"), std::string::npos);
}

// Copies from one folder would write the same files: a second start, even by the folder's name in
// other letter case, shows the running copy's settings window and ends. A copy in another folder runs.
TEST(PelmoraRun, OneCopyPerProgramFolder) {
  ProgramRun run(testsupport::PelmoraExe(), {{"account.dat", kThreeAccounts}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.main);
  std::wstring folder = run.Folder();
  CharUpperW(folder.data());
  EXPECT_TRUE(EndsWithCodeZero(StartProgram(folder + L"\\PELMORA.EXE", folder), 8000)) << "a second copy runs";
  EXPECT_EQ(uiprobe::WaitForTopLevel(run.ProcessId(), L"PelmoraForm", kMainCaption, 5000), started.main);

  ProgramRun other(testsupport::PelmoraExe());
  EXPECT_TRUE(WaitUntilStarted(other).tray) << "a copy in another folder did not start";
  EXPECT_EQ(other.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(run.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
}
