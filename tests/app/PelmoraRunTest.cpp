// Pelmora.exe started as a user starts it, driven from outside through the UI probe.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <string_view>
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
  const std::vector<std::wstring> blank(11, L"");
  // The connection columns show what is in force for an account, blank rows stay blank.
  const std::vector<std::vector<std::wstring>> expected = {
      {L"自宅, メイン", L"する", L"pop.example.jp", L"taro", L"pw",
       L"ﾒｯｾｰｼﾞ", L"", L"なし", L"110", L"POP3", L""},
      blank,
      {L"会社", L"しない", L"mail.example.com", L"hanako", L"a b", L"ｻｳﾝﾄﾞ",
       L"C:\\s.wav", L"なし", L"110", L"POP3", L""},
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

namespace {

constexpr const wchar_t* kClients = L"Software\\Clients";
constexpr const wchar_t* kMailClients = L"Software\\Clients\\Mail";
constexpr const wchar_t* kProbeClient = L"Software\\Clients\\Mail\\Pelmora Probe";

bool KeyExists(const wchar_t* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// The user's mail program, registered in the tests' Wine prefix for the lifetime of this object and
// then taken out again: the prefix is shared by every Windows test of a run.
class RegisteredMailProgram {
public:
  // `command` goes in as REG_EXPAND_SZ, as installers write it.
  explicit RegisteredMailProgram(const std::wstring& command)
      : HadClients(KeyExists(kClients)), HadMailClients(KeyExists(kMailClients)) {
    std::wstring previous(1024, L'\0');
    DWORD size = static_cast<DWORD>(previous.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kMailClients, nullptr, RRF_RT_REG_SZ, nullptr, previous.data(), &size) ==
        ERROR_SUCCESS)
      Previous = previous.c_str();
    const std::wstring name = L"Pelmora Probe";
    Set(kMailClients, REG_SZ, name);
    Set((std::wstring(kProbeClient) + L"\\shell\\open\\command").c_str(), REG_EXPAND_SZ, command);
  }

  ~RegisteredMailProgram() {
    if (!HadClients) {
      RegDeleteTreeW(HKEY_CURRENT_USER, kClients);
    } else if (!HadMailClients) {
      RegDeleteTreeW(HKEY_CURRENT_USER, kMailClients);
    } else {
      RegDeleteTreeW(HKEY_CURRENT_USER, kProbeClient);
      if (Previous.empty())
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kMailClients, nullptr);
      else
        Set(kMailClients, REG_SZ, Previous);
    }
  }

  RegisteredMailProgram(const RegisteredMailProgram&) = delete;
  RegisteredMailProgram& operator=(const RegisteredMailProgram&) = delete;

private:
  static void Set(const wchar_t* key, DWORD type, const std::wstring& value) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, nullptr, type, value.c_str(),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

  bool HadClients;
  bool HadMailClients;
  std::wstring Previous;
};

// The command line a probe recorded in its folder, once it has been started (within 10 s), or "".
std::wstring StartedProbe(const ProgramRun& run, std::string_view folder) {
  const std::string file = std::string(folder) + (folder.empty() ? "" : "\\") + "started.txt";
  for (int i = 0; i < 100 && !run.HasFile(file); ++i) Sleep(100);
  if (!run.HasFile(file)) return {};
  Sleep(200);
  const std::string bytes = run.ReadFile(file);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

}  // namespace

// The mail program is registered as installers do it: an unquoted path with spaces, a %1, and a
// decoy at the path the system's search tries first ("...\Mail.exe" for "...\Mail Probe\..."). With
// notices in a balloon, the balloon's click starts the registered program itself, with the
// placeholder left out.
TEST(PelmoraRun, TheBalloonsClickStartsTheRegisteredMailProgram) {
  ProgramRun run(testsupport::PelmoraExe(),
                 {{"account.dat", "nowhere,する,nonexistent.invalid,u,p,ﾒｯｾｰｼﾞ,\r\n"},
                  {"Pelmora.ini", "[SET]\r\nSTART=1\r\nTIME=0\r\nMINUTE=30\r\nBALLOON=1\r\n"}});
  const std::wstring probe = FromLinuxPath(MAIL_PROBE_LINUX_PATH);
  const std::wstring folder = run.Folder() + L"\\Mail Probe";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(probe.c_str(), (folder + L"\\probe.exe").c_str(), TRUE));
  ASSERT_TRUE(CopyFileW(probe.c_str(), (run.Folder() + L"\\Mail.exe").c_str(), TRUE));
  const RegisteredMailProgram registered(folder + L"\\probe.exe %1 /mail");

  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  EXPECT_EQ(WaitForMessageBox(run, 1000), nullptr) << "the start-up check's failure went to a box";
  ASSERT_TRUE(uiprobe::Post(started.tray, kTrayCallback, 0, NIN_BALLOONUSERCLICK));
  // The placeholder goes, the spaces around it stay.
  EXPECT_EQ(StartedProbe(run, "Mail Probe"), L"\"" + folder + L"\\probe.exe\"  /mail");
  EXPECT_FALSE(run.HasFile("started.txt")) << "the decoy was started";
  Sleep(300);
  EXPECT_TRUE(uiprobe::TopLevelWindows(run.ProcessId(), true).empty()) << "the settings window opened as well";
}
