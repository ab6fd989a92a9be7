#pragma once
// What a user does with a running Pelmora.exe, for the end-to-end tests: wait until it is up in the
// tray, pick items of its tray menu, find its message boxes.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "tests/support/ProgramRun.h"

namespace testsupport {

inline const std::wstring kMainCaption = L"メールチェックの設定";
inline const std::wstring kTitle = L"ペルモーラ";
inline const std::wstring kCheckItem = L"メールチェック(&C)";
inline const std::wstring kExitItem = L"終了する(&X)";
// The message the tray icon sends its window on a mouse action.
constexpr UINT kTrayCallback = WM_USER + 101;

// The first top-level window of the program, shown or not, with this class and caption (empty:
// any), polled until `timeoutMs` passes; nullptr then.
HWND FindWindowOf(DWORD pid, const std::wstring& cls, const std::wstring& caption, DWORD timeoutMs);

// The program is up once its (hidden) main window and tray icon window exist.
struct Started {
  HWND main = nullptr;
  HWND tray = nullptr;
};
Started WaitUntilStarted(const ProgramRun& run);

// Double-clicks the tray icon, as the user opens the settings window; returns that window once it
// shows (within 10 s), or nullptr.
HWND ShowSettingsWindow(const ProgramRun& run, HWND tray);

// Opens the tray menu with the right mouse button and picks `item`; false when either fails.
bool PickTrayMenuItem(const ProgramRun& run, HWND tray, std::wstring_view item);

// The program's message box shown within `timeoutMs`, or nullptr.
HWND WaitForMessageBox(const ProgramRun& run, DWORD timeoutMs);

// The text of the program's next message box, which is then answered with OK; empty when none comes
// within `timeoutMs`.
std::wstring NextBox(const ProgramRun& run, DWORD timeoutMs = 15000);

// Polls `done` every 20 ms until it holds (true) or `timeoutMs` has passed (false).
bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

}  // namespace testsupport
