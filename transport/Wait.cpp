#include "transport/Wait.h"

#include <utility>

#include <windows.h>

#include "transport/portable/SockErrors.h"

namespace {

// Returns at once when a message is pending, otherwise sleeps until one arrives. MWMO_INPUTAVAILABLE
// also wakes for messages that an earlier peek already saw, so a notification posted before the wait
// began is never slept through.
void WaitForMessage() { MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE); }

}  // namespace

TWait::TWait(TMessagePump& pump, const int32_t& timeOut) : Pump(pump), TimeOut(timeOut) {
  TimeoutTimer.OnTimer = [this](TObject*) { TimerFired(); };
}

void TWait::Report(const std::string& text) {
  if (OnReport) OnReport(8, text);
}

void TWait::Arm() {
  Report("Timer On");
  IsTimedOut = false;
  if (TimeOut < 0) throw ERangeError();
  TimeoutTimer.SetInterval(static_cast<uint32_t>(TimeOut));
  TimeoutTimer.SetEnabled(true);
}

void TWait::Disarm() {
  Report("Timer Off");
  TimeoutTimer.SetEnabled(false);
}

bool TWait::TakeCancel() {
  return std::exchange(Canceled, false);
}

void TWait::TimerFired() {
  Report("Timer Triggered");
  // The time-out measures the server's silence, not the user's: a wait held up by a modal loop
  // inside it (a dialog opened meanwhile) after its answer came goes on when that loop ends.
  if (Awaited && Awaited()) return;
  Disarm();
  IsTimedOut = true;
  if (OnTimeOut) OnTimeOut();
}

TWaitEnd TWait::Until(const std::function<bool()>& done, const std::function<bool()>& closed) {
  // The time-out asks this wait's condition; a wait nested in it (a send inside a read) hands it back.
  struct Restore {
    std::function<bool()>& Slot;
    std::function<bool()> Outer;
    ~Restore() { Slot = std::move(Outer); }
  } restore{Awaited, std::exchange(Awaited, done)};
  for (;;) {
    Pump.ProcessMessages();
    if (IsTimedOut) return TWaitEnd::TimedOut;
    if (Canceled) return TWaitEnd::Cancelled;
    if (closed && closed()) return TWaitEnd::Closed;
    if (done()) return TWaitEnd::Done;
    WaitForMessage();
  }
}
