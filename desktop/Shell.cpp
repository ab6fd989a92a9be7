#include "desktop/Shell.h"

BOOL TSystemShell::NotifyIcon(DWORD message, NOTIFYICONDATAW* data) { return Shell_NotifyIconW(message, data); }

void TSystemShell::Open(HWND owner, const std::wstring& file) {
  ShellExecuteW(owner, L"OPEN", file.c_str(), L"", L"", SW_SHOW);
}

TShell& SystemShell() {
  static TSystemShell shell;
  return shell;
}
