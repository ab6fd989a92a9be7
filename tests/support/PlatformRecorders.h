#pragma once
// Recorders of the shell and MCI calls that the program's parts make through their platform
// interfaces. Each is declared before the part it is handed to, so it outlives it.
#include <string>
#include <utility>
#include <vector>

#include "desktop/Mci.h"
#include "desktop/Shell.h"

// Keeps the MCI command strings and passes none on; command messages reach the real devices.
class RecordingMci : public TSystemMci {
public:
  MCIERROR SendString(const std::wstring& command) override {
    Strings.push_back(command);
    return 0;
  }

  std::vector<std::wstring> Strings;
};

// Keeps the files opened and the notification-area requests, and passes none on; tells the
// notification state and high contrast the test sets.
class RecordingShell : public TShell {
public:
  BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) override {
    Notified.push_back({message, *data});
    return TRUE;
  }
  void Open(HWND owner, const std::wstring& file) override { Opened.push_back({owner, file}); }
  QUERY_USER_NOTIFICATION_STATE NotificationState() override { return State; }
  bool HighContrast() override { return Contrast; }

  QUERY_USER_NOTIFICATION_STATE State = QUNS_ACCEPTS_NOTIFICATIONS;
  bool Contrast = false;

  std::vector<std::pair<DWORD, NOTIFYICONDATAW>> Notified;
  std::vector<std::pair<HWND, std::wstring>> Opened;
};
