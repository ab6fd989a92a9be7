#pragma once
// The shell calls of the desktop parts, and what they ask of the user's attention and display,
// handed to them at construction: the program passes SystemShell(), tests a recorder (derived from TSystemShell where only one call is of interest).
#include <windows.h>
#include <shellapi.h>

#include <string>

class TShell {
public:
  virtual ~TShell() = default;
  // Adds, changes or removes a notification-area icon (NIM_ADD, NIM_MODIFY, NIM_DELETE).
  virtual BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) = 0;
  // Opens a file or an address with the program the system associates with it.
  virtual void Open(HWND owner, const std::wstring& file) = 0;
  // What Windows says of the user's attention (busy, full screen, presentation, quiet time).
  virtual QUERY_USER_NOTIFICATION_STATE NotificationState() = 0;
  // Whether the user asked for high contrast (SPI_GETHIGHCONTRAST).
  virtual bool HighContrast() = 0;
};

class TSystemShell : public TShell {
public:
  BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) override;
  void Open(HWND owner, const std::wstring& file) override;
  QUERY_USER_NOTIFICATION_STATE NotificationState() override;
  bool HighContrast() override;
};

TShell& SystemShell();
