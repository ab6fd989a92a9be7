#pragma once
// The spinner's square button, divided by its diagonal into an upper-left half (up) and a
// lower-right half (down). A press on a half steps at once; held, it repeats (see SpinRepeat).
// Only the left mouse button acts.
#include <windows.h>

#include <cstdint>

#include "desktop/portable/SpinRules.h"
#include "toolkit/portable/Event.h"
#include "toolkit/Window.h"

class TSpinButton : public TWindow {
public:
  // Created inside `field` and placed by it; a press gives the field the focus.
  explicit TSpinButton(HWND field);

  std::uint16_t Interval() const { return RepeatInterval; }
  void SetInterval(std::uint16_t interval) { RepeatInterval = interval; }
  SpinPicture Picture() const;

  Event<TObject*> OnUpClick;
  Event<TObject*> OnDownClick;

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  SpinHalf HalfAt(LPARAM point) const;
  void MouseDown(LPARAM point);
  void MouseMove(LPARAM point);
  void MouseUp();
  void TimerFired();
  void Step(SpinHalf half);
  void Paint();

  SpinRepeat Repeat;
  std::uint16_t RepeatInterval = 100;
};
