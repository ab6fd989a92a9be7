#pragma once
// Message dispatching for tests that wait for timers and socket notifications on the test's thread.
#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/Application.h"

// Dispatches messages until done() holds or timeoutMs have passed; returns done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    Application().ProcessMessages();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

inline void PumpFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

struct WindowSearch {
  const wchar_t* Name;
  int Count;
};

inline BOOL CALLBACK CountWindowOfClass(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (std::wstring(name) == search->Name) ++search->Count;
  return TRUE;
}

// Number of windows of the given class that belong to this thread.
inline int CountThreadWindows(const wchar_t* className) {
  WindowSearch search{className, 0};
  EnumThreadWindows(GetCurrentThreadId(), CountWindowOfClass, reinterpret_cast<LPARAM>(&search));
  return search.Count;
}
