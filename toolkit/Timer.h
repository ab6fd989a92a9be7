#pragma once
// A window-message timer of the GUI thread. Ticks never pile up: at most one is pending, and one that
// comes due while the program is busy is handled once. A new interval, or enabling, restarts the
// period; setting the interval or the enabled state it already has changes nothing. An interval of 0
// never fires.
#include <cstdint>

#include "toolkit/portable/Event.h"
#include "toolkit/Window.h"

class TTimer : public TWindow {
public:
  explicit TTimer(std::uint32_t interval = 1000, bool enabled = true);
  ~TTimer() override;

  Event<TObject*> OnTimer;

  std::uint32_t Interval() const { return Period; }
  void SetInterval(std::uint32_t interval);
  bool Enabled() const { return On; }
  void SetEnabled(bool enabled);

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  void Restart();

  std::uint32_t Period;
  bool On;
};
