#include "tests/support/UiProbe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "tests/support/ProbeTestWindow.h"
#include "tests/support/ProgramRun.h"
#include "toolkit/Text.h"

namespace {

using namespace uiprobe;

constexpr DWORD kWaitMs = 5000;
const std::string kSettingsCaption = "メールチェックの設定";
const std::string kNewMail = "新着メールが 3 通あります。";

std::atomic<int> g_lastCommand{0};

// Polls until `condition` holds; false after kWaitMs.
template <typename Condition>
bool Eventually(Condition condition) {
  const ULONGLONG end = GetTickCount64() + kWaitMs;
  while (!condition()) {
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
  return true;
}

// The test window in a thread of its own, as another program's window would be.
class ProbeWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_lastCommand = 0;
    std::promise<HWND> created;
    auto future = created.get_future();
    thread_ = std::thread([&created] {
      created.set_value(probetest::CreateProbeTestWindow([](int id) { g_lastCommand = id; }));
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    });
    window_ = future.get();
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }

  HWND window_ = nullptr;
  std::thread thread_;
};

TEST_F(ProbeWindowTest, ReadsJapaneseCaptionsAndControlStatesAsUtf8AndCp932) {
  ASSERT_EQ(WaitForTopLevel(GetCurrentProcessId(), L"", Widen(kSettingsCaption), kWaitMs), window_);
  const auto windows = TopLevelWindows(GetCurrentProcessId());
  ASSERT_EQ(windows.size(), 1u);
  const TopWindow& top = windows[0];
  EXPECT_EQ(top.window.text.cp932, kSettingsCaption);
  EXPECT_EQ(top.window.text.utf8, "\xe3\x83\xa1\xe3\x83\xbc\xe3\x83\xab\xe3\x83\x81\xe3\x82\xa7\xe3\x83\x83\xe3\x82\xaf\xe3\x81\xae\xe8\xa8\xad\xe5\xae\x9a");
  EXPECT_EQ(top.window.className, L"ProbeTestWindow");
  EXPECT_EQ(top.processId, GetCurrentProcessId());

  auto control = [&](int id) {
    for (const Control& c : top.controls)
      if (c.id == id) return c;
    ADD_FAILURE() << "no control " << id;
    return Control{};
  };
  const Control add = control(probetest::kAddButton);
  EXPECT_EQ(add.text.cp932, "追加(&A)");
  EXPECT_EQ(add.className, L"Button");
  EXPECT_TRUE(add.visible);
  EXPECT_TRUE(add.enabled);
  EXPECT_EQ(add.checked, -1);
  EXPECT_EQ(add.parent, window_);
  const Control check = control(probetest::kCheckBox);
  EXPECT_EQ(check.text.cp932, "チェックする");
  EXPECT_EQ(check.checked, BST_UNCHECKED);
  EXPECT_FALSE(control(probetest::kDisabledButton).enabled);
  EXPECT_EQ(control(probetest::kListView).className, L"SysListView32");
  EXPECT_EQ(FindControlById(window_, probetest::kTabs), control(probetest::kTabs).hwnd);
}

TEST_F(ProbeWindowTest, ReadsListViewCellsAndTabCaptions) {
  HWND list = FindControlById(window_, probetest::kListView);
  ASSERT_EQ(ListViewColumnCount(list), 2);
  const auto rows = ListViewRows(list);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0].cp932, "仕事用");
  EXPECT_EQ(rows[0][1].cp932, "する");
  EXPECT_EQ(rows[1][0].cp932, "ﾒｯｾｰｼﾞ");
  EXPECT_EQ(rows[1][0].utf8, "\xef\xbe\x92\xef\xbd\xaf\xef\xbd\xbe\xef\xbd\xb0\xef\xbd\xbc\xef\xbe\x9e");
  EXPECT_EQ(rows[1][1].cp932, "しない");
  EXPECT_TRUE(ListViewSelection(list).empty());

  HWND tabs = FindControlById(window_, probetest::kTabs);
  const auto captions = TabCaptions(tabs);
  ASSERT_EQ(captions.size(), 2u);
  EXPECT_EQ(captions[0].cp932, "アカウント");
  EXPECT_EQ(captions[1].cp932, "チェック間隔");
  EXPECT_EQ(CurrentTab(tabs), 0);
}

TEST_F(ProbeWindowTest, PressesEnabledButtonsByTextOnly) {
  EXPECT_TRUE(PressButton(window_, std::string("追加(&A)")));
  EXPECT_TRUE(Eventually([] { return g_lastCommand == probetest::kAddButton; }));

  // The accelerator's "&" may be left out; a check box toggles like under the mouse.
  EXPECT_TRUE(PressButton(window_, std::wstring(L"チェックする")));
  HWND check = FindControlById(window_, probetest::kCheckBox);
  EXPECT_TRUE(Eventually([&] { return Describe(check).checked == BST_CHECKED; }));

  g_lastCommand = 0;
  EXPECT_FALSE(PressButton(window_, std::wstring(L"削除(&D)")));  // disabled
  EXPECT_FALSE(PressButton(window_, std::wstring(L"ない")));
  Sleep(100);
  EXPECT_EQ(g_lastCommand, 0);
}

TEST_F(ProbeWindowTest, PicksAPopupMenuItemByItsText) {
  ASSERT_TRUE(Post(window_, probetest::kOpenMenu, 0, 0));
  ASSERT_TRUE(Eventually([] { return OpenPopupMenu(GetCurrentProcessId()) != nullptr; }));
  HWND menu = OpenPopupMenu(GetCurrentProcessId());
  const auto items = PopupMenuItems(menu);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].cp932, "メールチェック(&C)");
  EXPECT_FALSE(PickMenuItem(menu, std::wstring(L"ありません")));
  EXPECT_TRUE(PickMenuItem(menu, std::string("終了する(&X)")));
  EXPECT_TRUE(Eventually([] { return g_lastCommand == probetest::kMenuExit; }));
  EXPECT_TRUE(WaitForGone(menu, kWaitMs));
}

TEST_F(ProbeWindowTest, ScreenshotIsSavedInTheBuildFolder) {
  const std::string png = testsupport::Screenshot("probe-window");
  ASSERT_FALSE(png.empty());
  const std::wstring path = testsupport::FromLinuxPath(png);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_GT(data.nFileSizeLow, 1000u);  // a 1280x1024 picture of a window, not an empty file
  EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST(UiProbe, ReadsAndAnswersAMessageBoxOfAnotherThread) {
  std::promise<int> answer;
  std::thread box([&answer] { answer.set_value(MessageBoxW(nullptr, Widen(kNewMail).c_str(), L"ペルモーラ", MB_OK)); });
  HWND dialog = WaitForTopLevel(GetCurrentProcessId(), L"#32770", L"ペルモーラ", kWaitMs);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(MessageBoxText(dialog).cp932, kNewMail);
  EXPECT_TRUE(PressButton(dialog, std::wstring(L"OK")));
  box.join();
  EXPECT_EQ(answer.get_future().get(), IDOK);
}

// Another program: its files are written beside its copy, its windows are read and driven across
// processes, and it is stopped leaving nothing behind.
class ProbeTargetTest : public ::testing::Test {
 protected:
  static std::wstring TargetExe() { return testsupport::FromLinuxPath(PROBE_TARGET_LINUX_PATH); }
};

TEST_F(ProbeTargetTest, ReadsAnotherProcessAndEndsItByClosingItsWindow) {
  testsupport::ProgramRun run(TargetExe(), {{"message.txt", kNewMail}});
  HWND dialog = WaitForTopLevel(run.ProcessId(), L"#32770", L"ペルモーラ", kWaitMs);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(MessageBoxText(dialog).cp932, kNewMail);
  // The message box is modal: the window under it takes no button presses.
  HWND window = FindTopLevel(run.ProcessId(), L"ProbeTestWindow", L"");
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(PressButton(window, std::wstring(L"追加(&A)")));
  EXPECT_TRUE(PressButton(dialog, std::wstring(L"OK")));
  EXPECT_TRUE(WaitForGone(dialog, kWaitMs));

  const auto rows = ListViewRows(FindControlById(window, probetest::kListView));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0].cp932, "仕事用");
  EXPECT_EQ(rows[1][1].cp932, "しない");
  const auto tabs = TabCaptions(FindControlById(window, probetest::kTabs));
  ASSERT_EQ(tabs.size(), 2u);
  EXPECT_EQ(tabs[1].cp932, "チェック間隔");

  ASSERT_TRUE(Post(window, WM_CLOSE, 0, 0));
  EXPECT_TRUE(run.WaitForExit(kWaitMs));
  EXPECT_EQ(run.ExitCode(), 7u);
}

TEST_F(ProbeTargetTest, PicksAMenuItemOfAnotherProcess) {
  testsupport::ProgramRun run(TargetExe());
  HWND window = WaitForTopLevel(run.ProcessId(), L"ProbeTestWindow", L"", kWaitMs);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Post(window, probetest::kOpenMenu, 0, 0));
  HWND menu = WaitForTopLevel(run.ProcessId(), L"#32768", L"", kWaitMs);
  ASSERT_NE(menu, nullptr);
  // The target ends with the id of 終了する(&X) as its exit code when that item is picked.
  EXPECT_TRUE(PickMenuItem(menu, std::wstring(L"終了する(&X)")));
  EXPECT_TRUE(run.WaitForExit(kWaitMs));
  EXPECT_EQ(run.ExitCode(), static_cast<DWORD>(probetest::kMenuExit));
}

TEST_F(ProbeTargetTest, StopLeavesNoProcessAndTheFolderIsRemoved) {
  HANDLE process = nullptr;
  std::wstring folder;
  {
    testsupport::ProgramRun run(TargetExe(), {{"account.dat", "a,b\r\n"}});
    folder = run.Folder();
    EXPECT_EQ(run.ReadFile("account.dat"), "a,b\r\n");
    EXPECT_FALSE(run.HasFile("Pelmora.ini"));
    ASSERT_NE(WaitForTopLevel(run.ProcessId(), L"ProbeTestWindow", L"", kWaitMs), nullptr);
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), run.Process(), GetCurrentProcess(), &process, SYNCHRONIZE, FALSE, 0));
    EXPECT_EQ(run.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  }
  EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
  CloseHandle(process);
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
