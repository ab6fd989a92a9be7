#include "desktop/TrayIcon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/PlatformRecorders.h"

namespace {

// A form-like window of the toolkit's own kind: it records the system commands that reach it.
class RecordingForm : public TWindow {
public:
  RecordingForm() {
    RegisterOwnClass(L"PelmoraTestForm");
    CreateOwn(L"PelmoraTestForm", 0, WS_POPUP, "form", RECT{100, 100, 400, 300}, nullptr, 0);
  }
  std::vector<WPARAM> SysCommands;
  int Closes = 0;

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_SYSCOMMAND) SysCommands.push_back(wParam);
    // Like a form, a close request hides rather than destroys.
    if (msg == WM_CLOSE) {
      ++Closes;
      ShowWindow(Handle(), SW_HIDE);
      return 0;
    }
    if (msg == WM_APP) return 4711;
    return TWindow::WndProc(msg, wParam, lParam);
  }
};

struct ShellCall {
  DWORD message;
  NOTIFYICONDATAW data;
  bool windowAlive;
};

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Keeps every notification-area request and tells the test's log.
class ShellRecorder : public TShell {
public:
  BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) override {
    Calls.push_back({message, *data, IsWindow(data->hWnd) != FALSE});
    Log += "shell" + std::to_string(message) + ";";
    return TRUE;
  }
  void Open(HWND, const std::wstring&) override {}
  QUERY_USER_NOTIFICATION_STATE NotificationState() override { return QUNS_ACCEPTS_NOTIFICATIONS; }
  bool HighContrast() override { return false; }

  std::vector<ShellCall> Calls;
  std::string Log;
};

class TrayIconTest : public ::testing::Test {
protected:
  TrayIconTest() {
    AppWindow = CreateWindowExW(0, L"STATIC", L"app", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    TTrayApplication app;
    app.Window = AppWindow;
    app.SetShowMainForm = [this](bool show) { Log += show ? "show-main;" : "no-main;"; };
    app.ProcessMessages = [this] {
      Log += "process;";
      Pump();
    };
    Tray = std::make_unique<TTrayIcon>(&Form, app, Shell);
  }
  ~TrayIconTest() override {
    Tray.reset();
    DestroyWindow(AppWindow);
  }

  void Notify(LPARAM mouseMessage) { SendMessageW(Tray->CallbackWindow(), TTrayIcon::kCallbackMessage, 0, mouseMessage); }

  RecordingForm Form;
  HWND AppWindow = nullptr;
  ShellRecorder Shell;
  std::vector<ShellCall>& Calls = Shell.Calls;
  std::string& Log = Shell.Log;
  std::unique_ptr<TTrayIcon> Tray;
};

TEST_F(TrayIconTest, ActivatesOnceAtLoadedWithTheOldRecordLayout) {
  EXPECT_TRUE(Tray->Active());
  EXPECT_TRUE(Calls.empty()) << "the constructor makes no notification-area call";
  ShowWindow(AppWindow, SW_SHOWNA);
  Tray->Loaded();
  EXPECT_EQ(Log, "no-main;process;shell0;");
  EXPECT_FALSE(IsWindowVisible(AppWindow)) << "the taskbar button's window is hidden";
  ASSERT_EQ(Calls.size(), 1u);
  const NOTIFYICONDATAW& data = Calls[0].data;
  EXPECT_EQ(Calls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(data.cbSize, static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE));
  EXPECT_EQ(data.cbSize, sizeof(void*) == 4 ? 152u : 168u) << "the first layout, with the 64-character tip";
  EXPECT_EQ(data.hWnd, Tray->CallbackWindow());
  EXPECT_EQ(data.uID, 0u);
  EXPECT_EQ(data.uFlags, 7u);
  EXPECT_EQ(data.uCallbackMessage, 0x465u);
  EXPECT_EQ(data.szTip[0], L'\0');
  EXPECT_TRUE(Tray->Hooked());
}

TEST_F(TrayIconTest, TipIsTheHintCutToSixtyThreeCharactersNotBytes) {
  Tray->Loaded();
  std::string hint;
  for (int i = 0; i < 70; ++i) hint += "あ";
  Tray->SetHint(hint);
  ASSERT_EQ(Calls.size(), 2u);
  EXPECT_EQ(Calls[1].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(std::wstring(Calls[1].data.szTip), std::wstring(63, L'\u3042'));
  Tray->SetHint("abc");
  EXPECT_EQ(std::wstring(Calls[2].data.szTip), L"abc") << "the record is filled afresh for every call";
  Tray->SetHint("abc");
  EXPECT_EQ(Calls.size(), 3u) << "an unchanged hint sends nothing";
}

TEST_F(TrayIconTest, IconIsCopiedAndModifiedWhileActive) {
  const HICON source = LoadIconW(nullptr, IDI_APPLICATION);
  Tray->SetIcon(source);
  EXPECT_TRUE(Calls.empty()) << "inactive until loaded";
  Tray->Loaded();
  ASSERT_NE(Tray->Icon(), nullptr);
  EXPECT_NE(Tray->Icon(), source);
  EXPECT_EQ(Calls[0].data.hIcon, Tray->Icon());
  Tray->SetIcon(LoadIconW(nullptr, IDI_WARNING));
  ASSERT_EQ(Calls.size(), 2u);
  EXPECT_EQ(Calls[1].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(Calls[1].data.hIcon, Tray->Icon());
}

TEST_F(TrayIconTest, CallbackWindowIsAHiddenTopLevelWindowThatHearsBroadcasts) {
  const HWND callback = Tray->CallbackWindow();
  ASSERT_TRUE(IsWindow(callback));
  EXPECT_FALSE(IsWindowVisible(callback));
  EXPECT_EQ(GetAncestor(callback, GA_PARENT), GetDesktopWindow()) << "not message-only";
  Tray->Loaded();
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  PostMessageW(HWND_BROADCAST, taskbarCreated, 0, 0);
  for (int i = 0; i < 50 && Calls.size() < 2; ++i) {
    Sleep(10);
    Pump();
  }
  ASSERT_EQ(Calls.size(), 2u);
  EXPECT_EQ(Calls[1].message, static_cast<DWORD>(NIM_ADD)) << "the icon comes back with a new notification area";
  EXPECT_EQ(Calls[1].data.hWnd, callback);
}

TEST_F(TrayIconTest, NewNotificationAreaAddsNothingBeforeActivation) {
  SendMessageW(Tray->CallbackWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(Calls.empty());
}

TEST_F(TrayIconTest, MouseNotificationsBecomeEventsAtTheCursorReadOnArrival) {
  std::string events;
  auto button = [](TMouseButton b) {
    return b == TMouseButton::mbLeft ? "L" : b == TMouseButton::mbRight ? "R" : "M";
  };
  auto shiftText = [](TShiftState s) { return s & ssDouble ? "+dbl" : s ? "+?" : ""; };
  Tray->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, Tray.get());
    events += "click;";
  };
  Tray->OnDblClick = [&](TObject*) { events += "dblclick;"; };
  Tray->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
    events += std::string("down") + button(b) + shiftText(s) + "@" + std::to_string(x) + "," + std::to_string(y) + ";";
  };
  Tray->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState s, int, int) {
    events += std::string("up") + button(b) + shiftText(s) + ";";
  };
  Tray->OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
    events += "move@" + std::to_string(x) + "," + std::to_string(y) + ";";
  };
  ASSERT_TRUE(SetCursorPos(200, 150));
  Notify(WM_MOUSEMOVE);
  EXPECT_EQ(events, "move@200,150;");
  SetCursorPos(210, 160);
  events.clear();
  for (LPARAM m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,
                   WM_MBUTTONUP, WM_MBUTTONDBLCLK, 0x20A, WM_USER})
    Notify(m);
  EXPECT_EQ(events,
            "downL@210,160;"
            "click;upL;"
            "dblclick;downL+dbl@210,160;"
            "click;upR;"
            "dblclick;downR+dbl@210,160;"
            "downM@210,160;"
            "click;upM;"
            "dblclick;downM+dbl@210,160;");
  EXPECT_EQ(Tray->CursorPos().x, 210);
  EXPECT_EQ(Tray->CursorPos().y, 160);
  events.clear();
  Notify(WM_RBUTTONDOWN);
  EXPECT_EQ(events, "downR@210,160;") << "without a menu a right press is only a press";
}

// Closes the open popup menu from its own modal loop and notes where it appeared.
struct MenuWatch {
  static inline RECT Shown{};
  static inline HWND Foreground = nullptr;
  static void CALLBACK Close(HWND, UINT, UINT_PTR id, DWORD) {
    const HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return;
    GetWindowRect(menu, &Shown);
    Foreground = GetForegroundWindow();
    KillTimer(nullptr, id);
    EndMenu();
  }
};

TEST_F(TrayIconTest, RightPressOpensThePopupMenuAtTheCursorAfterThePressEvent) {
  TPopupMenu menu;
  TMenuItem item("終了");
  menu.Add(item);
  Tray->SetPopupMenu(&menu);
  Tray->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { Log += "down;"; };
  Tray->OnPopUp = [&](TObject*) { Log += "popup;"; };
  Tray->Loaded();
  Log.clear();
  SetCursorPos(300, 250);
  MenuWatch::Shown = {};
  SetTimer(nullptr, 0, 50, &MenuWatch::Close);
  Notify(WM_RBUTTONDOWN);
  EXPECT_EQ(Log, "down;popup;process;") << "the pending messages run before the menu opens";
  EXPECT_EQ(MenuWatch::Shown.left, 300);
  EXPECT_EQ(MenuWatch::Shown.top, 250);
  EXPECT_EQ(MenuWatch::Foreground, menu.Handle()) << "the menu's owner is in front while it is open";
}

TEST_F(TrayIconTest, DestroyedMenuIsForgotten) {
  {
    TPopupMenu menu;
    Tray->SetPopupMenu(&menu);
    EXPECT_EQ(Tray->PopupMenu(), &menu);
  }
  EXPECT_EQ(Tray->PopupMenu(), nullptr);
  Notify(WM_RBUTTONDOWN);
}

TEST_F(TrayIconTest, CloseBoxPassesOnUnlessNoCloseThenHidesInstead) {
  Tray->Loaded();
  ShowWindow(Form.Handle(), SW_SHOWNA);
  SendMessageW(Form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_EQ(Form.SysCommands.size(), 1u) << "NoClose off: the close reaches the window";
  EXPECT_EQ(Form.SysCommands[0], static_cast<WPARAM>(SC_CLOSE));
  EXPECT_EQ(Form.Closes, 1);

  ASSERT_TRUE(IsWindow(Form.Handle()));
  ShowWindow(Form.Handle(), SW_SHOWNA);
  ShowWindow(AppWindow, SW_SHOWNA);
  Tray->NoClose = true;
  SendMessageW(Form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(Form.SysCommands.size(), 1u) << "NoClose on: not passed on";
  EXPECT_EQ(Form.Closes, 1);
  EXPECT_FALSE(IsWindowVisible(Form.Handle()));
  EXPECT_FALSE(IsWindowVisible(AppWindow));
  EXPECT_TRUE(IsWindow(Form.Handle()));
}

TEST_F(TrayIconTest, MinimizePassesOnAndHidesOnlyWithoutShowMinimizedIcon) {
  Tray->Loaded();
  Tray->ShowMinimizedIcon = true;
  ShowWindow(Form.Handle(), SW_SHOWNA);
  SendMessageW(Form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_EQ(Form.SysCommands.size(), 1u);
  EXPECT_TRUE(IsIconic(Form.Handle()));
  EXPECT_TRUE(IsWindowVisible(Form.Handle()));

  ShowWindow(Form.Handle(), SW_RESTORE);
  Tray->ShowMinimizedIcon = false;
  SendMessageW(Form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(Form.SysCommands.size(), 2u);
  EXPECT_FALSE(IsWindowVisible(Form.Handle()));
}

TEST_F(TrayIconTest, HookChainsToTheFormAndIsRemovedWithTheComponent) {
  const LONG_PTR own = GetWindowLongPtrW(Form.Handle(), GWLP_WNDPROC);
  Tray->Loaded();
  EXPECT_NE(GetWindowLongPtrW(Form.Handle(), GWLP_WNDPROC), own);
  EXPECT_EQ(SendMessageW(Form.Handle(), WM_APP, 0, 0), 4711) << "other messages reach the form with their results";
  Tray.reset();
  EXPECT_EQ(GetWindowLongPtrW(Form.Handle(), GWLP_WNDPROC), own);
  EXPECT_EQ(SendMessageW(Form.Handle(), WM_APP, 0, 0), 4711);
}

TEST_F(TrayIconTest, DestructionRemovesTheIconBeforeItsWindow) {
  Tray->Loaded();
  const HWND callback = Tray->CallbackWindow();
  Tray.reset();
  ASSERT_EQ(Calls.size(), 2u);
  EXPECT_EQ(Calls[1].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(Calls[1].data.hWnd, callback);
  EXPECT_TRUE(Calls[1].windowAlive);
  EXPECT_FALSE(IsWindow(callback));
}

TEST(TrayIconOwnerGone, OwnerWindowDestroyedFirstIsLetGo) {
  auto form = std::make_unique<RecordingForm>();
  RecordingShell shell;
  TTrayIcon tray(form.get(), {}, shell);
  tray.NoClose = true;
  tray.Loaded();
  ASSERT_TRUE(tray.Hooked());
  DestroyWindow(form->Handle());
  EXPECT_FALSE(tray.Hooked()) << "nothing is intercepted once the window is destroyed";
  form.reset();
}

}  // namespace
