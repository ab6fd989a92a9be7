#pragma once
// A timer without a thread: its ticks are WM_TIMER messages of its own hidden window, so they are
// handled on the GUI thread whenever that thread dispatches messages.
#include <windows.h>

#include <cstdint>
#include <functional>

#include "toolkit/Event.h"
#include "toolkit/Handles.h"
#include "toolkit/Object.h"

class TThreadTimer : public TObject {
public:
  TThreadTimer();
  ~TThreadTimer();

  bool Enabled() const { return IsEnabled; }
  void SetEnabled(bool value);
  uint32_t Interval() const { return Milliseconds; }
  void SetInterval(uint32_t value);
  // Setting the handler always re-evaluates the system timer, restarting its countdown.
  void SetOnTimer(std::function<void(TObject*)> handler);
  HWND TimerWindow() const { return Window.Get(); }

  // One tick: calls OnTimer.
  void Tick();

private:
  static LRESULT CALLBACK TimerWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  // The system timer runs exactly while Enabled, a non-zero Interval and OnTimer are all present.
  void UpdateTimer();

  bool IsEnabled = true;
  uint32_t Milliseconds = 1000;
  Event<TObject*> OnTimer;
  TOwnedWindow Window;
};
