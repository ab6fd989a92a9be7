#include "toolkit/Timer.h"

#include "toolkit/portable/Exception.h"

namespace {
constexpr const wchar_t* kTimerClass = L"PelmoraTimer";
constexpr UINT_PTR kTimerId = 1;
}  // namespace

TTimer::TTimer(std::uint32_t interval, bool enabled) : Period(interval), On(enabled) {
  RegisterOwnClass(kTimerClass);
  CreateOwn(kTimerClass, 0, 0, {}, RECT{}, HWND_MESSAGE, 0);
  Restart();
}

TTimer::~TTimer() {
  if (Handle()) KillTimer(Handle(), kTimerId);
}

void TTimer::SetInterval(std::uint32_t interval) {
  if (interval == Period) return;
  Period = interval;
  Restart();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == On) return;
  On = enabled;
  Restart();
}

void TTimer::Restart() {
  // Replacing the timer also drops a tick that is already due, so the next comes one whole period later.
  KillTimer(Handle(), kTimerId);
  MSG stale{};
  while (PeekMessageW(&stale, Handle(), WM_TIMER, WM_TIMER, PM_REMOVE)) {
  }
  if (On && Period != 0 && !SetTimer(Handle(), kTimerId, Period, nullptr)) {
    throw Exception("Not enough timers available");
  }
}

LRESULT TTimer::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == kTimerId) {
    OnTimer(this);
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}
