#include "tests/support/PelmoraUser.h"

#include "tests/support/UiProbe.h"

namespace testsupport {

HWND FindWindowOf(DWORD pid, const std::wstring& cls, const std::wstring& caption, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    for (const uiprobe::TopWindow& top : uiprobe::TopLevelWindows(pid, false)) {
      if (top.window.className == cls && (caption.empty() || top.window.text.utf16 == caption)) return top.window.hwnd;
    }
    Sleep(20);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

Started WaitUntilStarted(const ProgramRun& run) {
  Started s;
  s.main = FindWindowOf(run.ProcessId(), L"PelmoraForm", kMainCaption, 15000);
  s.tray = FindWindowOf(run.ProcessId(), L"PelmoraTrayIconWindow", L"", 5000);
  return s;
}

HWND ShowSettingsWindow(const ProgramRun& run, HWND tray) {
  uiprobe::Post(tray, kTrayCallback, 0, WM_LBUTTONDBLCLK);
  return uiprobe::WaitForTopLevel(run.ProcessId(), L"PelmoraForm", kMainCaption, 10000);
}

bool PickTrayMenuItem(const ProgramRun& run, HWND tray, std::wstring_view item) {
  uiprobe::Post(tray, kTrayCallback, 0, WM_RBUTTONDOWN);
  HWND menu = nullptr;
  for (int i = 0; i < 250 && !menu; ++i) {
    menu = uiprobe::OpenPopupMenu(run.ProcessId());
    if (!menu) Sleep(20);
  }
  return menu && uiprobe::PickMenuItem(menu, item);
}

HWND WaitForMessageBox(const ProgramRun& run, DWORD timeoutMs) {
  return uiprobe::WaitForTopLevel(run.ProcessId(), L"#32770", kTitle, timeoutMs);
}

std::wstring NextBox(const ProgramRun& run, DWORD timeoutMs) {
  const HWND box = WaitForMessageBox(run, timeoutMs);
  if (!box) return {};
  const std::wstring text = uiprobe::MessageBoxText(box).utf16;
  uiprobe::PressButton(box, std::wstring_view(L"OK"));
  uiprobe::WaitForGone(box, 5000);
  return text;
}

bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

}  // namespace testsupport
