#include "pop3/ThreadTimer.h"

#include "pop3/HiddenWindow.h"
#include "toolkit/ErrorDialog.h"
#include "toolkit/Exception.h"

namespace {
constexpr UINT_PTR TimerId = 1;
}

TThreadTimer::TThreadTimer() { Window = CreateHiddenWindow(L"TmrWindowClass", TimerWindowProc, this); }

TThreadTimer::~TThreadTimer() {
  IsEnabled = false;
  if (Window.Get()) KillTimer(Window.Get(), TimerId);
}

void TThreadTimer::SetEnabled(bool value) {
  if (value == IsEnabled) return;
  IsEnabled = value;
  UpdateTimer();
}

void TThreadTimer::SetInterval(uint32_t value) {
  if (value == Milliseconds) return;
  Milliseconds = value;
  UpdateTimer();
}

void TThreadTimer::SetOnTimer(std::function<void(TObject*)> handler) {
  OnTimer = std::move(handler);
  UpdateTimer();
}

void TThreadTimer::Tick() { OnTimer(this); }

void TThreadTimer::UpdateTimer() {
  if (Window.Get()) KillTimer(Window.Get(), TimerId);
  if (Milliseconds == 0 || !IsEnabled || !OnTimer) return;
  // Without its window the timer could never tick; a timer owned by the thread instead would be lost.
  if (!Window.Get() || !SetTimer(Window.Get(), TimerId, Milliseconds, nullptr)) throw Exception("No Timer");
}

LRESULT CALLBACK TThreadTimer::TimerWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  TThreadTimer* timer = HiddenWindowObject<TThreadTimer>(window);
  if (timer && msg == WM_TIMER) {
    try {
      timer->Tick();
    } catch (...) {
      HandleException();
    }
    return 0;
  }
  if (msg == WM_NCDESTROY) UnbindHiddenWindow(window);
  return DefWindowProcW(window, msg, wParam, lParam);
}
