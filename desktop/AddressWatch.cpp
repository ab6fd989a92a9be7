#include "desktop/AddressWatch.h"

#include <iphlpapi.h>

#include <string>

#include "toolkit/portable/Exception.h"

namespace {
constexpr const wchar_t* kWatchClass = L"PelmoraAddressWatch";
constexpr UINT kChanged = WM_APP;
// A cancelled request completes at once; the bound keeps a system that never completes it from
// holding the exit.
constexpr DWORD kCancelMs = 1000;

[[noreturn]] void Refused(const char* what, DWORD error) {
  throw Exception(std::string(what) + " failed (" + std::to_string(error) + ")");
}
}  // namespace

TAddressWatch::TAddressWatch() : Completed(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  if (!Completed.Get()) Refused("CreateEvent", GetLastError());
  RegisterOwnClass(kWatchClass);
  CreateOwn(kWatchClass, 0, 0, {}, RECT{}, HWND_MESSAGE, 0);
  // Run in the pool's wait thread: the callback only posts a message.
  if (!RegisterWaitForSingleObject(&Wait, Completed.Get(), Signalled, Handle(), INFINITE, WT_EXECUTEINWAITTHREAD))
    Refused("RegisterWaitForSingleObject", GetLastError());
  try {
    Arm();
  } catch (...) {
    Stop();
    throw;
  }
}

TAddressWatch::~TAddressWatch() { Stop(); }

void TAddressWatch::Arm() {
  Request = OVERLAPPED{};
  Request.hEvent = Completed.Get();
  // The handle it gives is the system's, for GetOverlappedResult only: never closed here.
  HANDLE device = nullptr;
  const DWORD result = NotifyAddrChange(&device, &Request);
  if (result != ERROR_IO_PENDING) Refused("NotifyAddrChange", result);
}

void TAddressWatch::Stop() {
  // Once this returns no callback runs, so nothing posts to the window that goes after it.
  UnregisterWaitEx(Wait, INVALID_HANDLE_VALUE);
  // Windows writes the cancelled request's outcome into Request: it must be done before that goes. A
  // request the system does not cancel (one that has just completed) has nothing left to write.
  if (!HasOverlappedIoCompleted(&Request) && CancelIPChangeNotify(&Request))
    WaitForSingleObject(Completed.Get(), kCancelMs);
}

void CALLBACK TAddressWatch::Signalled(void* window, BOOLEAN) {
  PostMessageW(static_cast<HWND>(window), kChanged, 0, 0);
}

// Armed again before the handler runs, so that a change during its check is not missed.
LRESULT TAddressWatch::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != kChanged) return TWindow::WndProc(msg, wParam, lParam);
  Arm();
  OnChange(this);
  return 0;
}
