#pragma once
// Reads a message box of this thread from inside its own modal loop (through a thread timer) and
// answers it, so tests of code that shows a box run to their end.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct BoxSeen {
  bool found = false;
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> buttons;  // in window order
  std::vector<int> buttonIds;
  bool icon = false;
  int defaultId = 0;
};

namespace boxwatch {

inline BoxSeen Seen;
inline std::function<void(HWND)> Answer;

inline std::wstring TextOf(HWND wnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(wnd, buffer, 512);
  return buffer;
}

inline BOOL CALLBACK FindBox(HWND wnd, LPARAM found) {
  wchar_t cls[32] = {};
  GetClassNameW(wnd, cls, 32);
  if (std::wstring(cls) == L"#32770" && IsWindowVisible(wnd)) {
    *reinterpret_cast<HWND*>(found) = wnd;
    return FALSE;
  }
  return TRUE;
}

inline void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box || Seen.found) return;
  Seen.found = true;
  Seen.caption = TextOf(box);
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (lstrcmpiW(cls, L"Button") == 0) {
      Seen.buttons.push_back(TextOf(child));
      Seen.buttonIds.push_back(GetDlgCtrlID(child));
    } else if (lstrcmpiW(cls, L"Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        Seen.icon = Seen.icon || (IsWindowVisible(child) && SendMessageW(child, STM_GETICON, 0, 0) != 0);
      } else if (!TextOf(child).empty()) {
        Seen.text = TextOf(child);
      }
    }
  }
  const LRESULT def = SendMessageW(box, DM_GETDEFID, 0, 0);
  if (HIWORD(def) == DC_HASDEFID) Seen.defaultId = LOWORD(def);
  Answer(box);
}

}  // namespace boxwatch

// Runs `open` (which shows a box and returns when it is closed) and calls `answer` with the box.
inline BoxSeen WatchBox(const std::function<void()>& open, std::function<void(HWND)> answer) {
  boxwatch::Seen = BoxSeen{};
  boxwatch::Answer = std::move(answer);
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, boxwatch::Poll);
  open();
  KillTimer(nullptr, timer);
  return boxwatch::Seen;
}

// Presses a button of the box as the user would.
inline void PressBoxButton(HWND box, int id) { PostMessageW(GetDlgItem(box, id), BM_CLICK, 0, 0); }

// A key pressed while the box's focused button has the focus.
inline void PressBoxKey(HWND box, WPARAM key) {
  HWND focus = GetFocus();
  if (!focus || !IsChild(box, focus)) focus = box;
  PostMessageW(focus, WM_KEYDOWN, key, 0);
  PostMessageW(focus, WM_KEYUP, key, 0xC0000000);
}
