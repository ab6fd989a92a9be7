#pragma once
// Message dispatching for tests that wait for timers and socket notifications on the test's thread.
#include <windows.h>

#include <cstdio>
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

// Ends the test program unless it is destroyed within `milliseconds`: a thread that never returns
// would otherwise hold the whole run until ctest's own time-out.
class Watchdog {
public:
  Watchdog(DWORD milliseconds, const char* what)
      : Disarmed(CreateEventW(nullptr, TRUE, FALSE, nullptr)), Milliseconds(milliseconds), What(what) {
    Thread = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
  }
  ~Watchdog() {
    SetEvent(Disarmed);
    WaitForSingleObject(Thread, INFINITE);
    CloseHandle(Thread);
    CloseHandle(Disarmed);
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

private:
  static DWORD WINAPI Watch(void* parameter) {
    const auto* self = static_cast<Watchdog*>(parameter);
    if (WaitForSingleObject(self->Disarmed, self->Milliseconds) == WAIT_TIMEOUT) {
      std::fprintf(stderr, "%s\n", self->What);
      std::fflush(stderr);
      TerminateProcess(GetCurrentProcess(), 1);
    }
    return 0;
  }

  HANDLE Disarmed;
  HANDLE Thread = nullptr;
  DWORD Milliseconds;
  const char* What;
};
