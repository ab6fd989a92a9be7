// The tray icon against the real notification area of the desktop the tests run on (under Wine
// without a desktop shell that is Wine's own tray window): the icon appears, a real double click on
// it reaches the component, and it is gone after destruction.
#include "desktop/TrayIcon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

BOOL CALLBACK CollectWindow(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

// The icons of the notification area, each a small window of the tray.
std::vector<HWND> TrayIconWindows() {
  std::vector<HWND> icons;
  const HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  if (!tray) return icons;
  EnumChildWindows(tray, CollectWindow, reinterpret_cast<LPARAM>(&icons));
  return icons;
}

template <typename Done>
bool PumpUntil(Done done) {
  for (int i = 0; i < 300 && !done(); ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (!done()) Sleep(10);
  }
  return done();
}

void MouseButton(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof(input));
}

class Owner : public TWindow {
public:
  Owner() {
    RegisterOwnClass(L"PelmoraTrayShellOwner");
    CreateOwn(L"PelmoraTrayShellOwner", 0, WS_POPUP, "", RECT{}, nullptr, 0);
  }
};

TEST(TrayIconInTheShell, AppearsAnswersARealDoubleClickAndLeaves) {
  ASSERT_NE(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr) << "the desktop's shell is running";
  const std::vector<HWND> before = TrayIconWindows();
  Owner owner;
  auto tray = std::make_unique<TTrayIcon>(&owner, TTrayApplication{});
  tray->SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
  int doubleClicks = 0;
  tray->OnDblClick = [&](TObject*) { ++doubleClicks; };
  tray->Loaded();

  HWND ours = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    for (HWND icon : TrayIconWindows())
      if (std::find(before.begin(), before.end(), icon) == before.end()) ours = icon;
    return ours != nullptr;
  })) << "the icon shows in the notification area";

  RECT bounds{};
  GetWindowRect(ours, &bounds);
  SetCursorPos((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
  for (int i = 0; i < 2; ++i) {
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
  }
  EXPECT_TRUE(PumpUntil([&] { return doubleClicks == 1; })) << "the double click reaches OnDblClick";
  EXPECT_EQ(tray->CursorPos().x, (bounds.left + bounds.right) / 2);

  tray.reset();
  EXPECT_TRUE(PumpUntil([&] {
    const std::vector<HWND> now = TrayIconWindows();
    return std::find(now.begin(), now.end(), ours) == now.end();
  })) << "destruction removes the icon";
}

}  // namespace
