#include "desktop/Shell.h"

BOOL TSystemShell::NotifyIcon(DWORD message, NOTIFYICONDATAW* data) { return Shell_NotifyIconW(message, data); }

void TSystemShell::Open(HWND owner, const std::wstring& file) {
  ShellExecuteW(owner, L"OPEN", file.c_str(), L"", L"", SW_SHOW);
}

// A failed query says nothing of the user: notices are not held for it.
QUERY_USER_NOTIFICATION_STATE TSystemShell::NotificationState() {
  QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
  return SHQueryUserNotificationState(&state) == S_OK ? state : QUNS_ACCEPTS_NOTIFICATIONS;
}

bool TSystemShell::HighContrast() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

TShell& SystemShell() {
  static TSystemShell shell;
  return shell;
}
