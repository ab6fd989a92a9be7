#pragma once
// The one wait of a blocking-style operation on the GUI thread. It dispatches the thread's messages,
// sleeping while there are none, until what it waits for has come; a time-out timer ends it when
// the server stays silent, and Cancel when the program calls the operation off.
#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/portable/MessagePump.h"
#include "toolkit/Timer.h"

// Why a wait ended.
enum class TWaitEnd { Done, TimedOut, Cancelled, Closed };

class TWait {
public:
  // `timeOut` is the owner's bound of each wait in ms (0 waits without bound); it is read when the
  // timer is armed.
  TWait(TMessagePump& pump, const int32_t& timeOut);
  TWait(const TWait&) = delete;
  TWait& operator=(const TWait&) = delete;

  // Status reports ("Timer On", "Timer Off", "Timer Triggered") with their level.
  std::function<void(int32_t level, const std::string& text)> OnReport;
  // The time-out passed with nothing arrived: the owner drops its connection.
  std::function<void()> OnTimeOut;

  // Starts the time-out anew; a negative bound raises ERangeError.
  void Arm();
  void Disarm();
  // Arm for a scope: the timer is off again however the scope is left.
  class TArmed {
  public:
    explicit TArmed(TWait& wait) : Wait(wait) { Wait.Arm(); }
    ~TArmed() { Wait.Disarm(); }
    TArmed(const TArmed&) = delete;
    TArmed& operator=(const TArmed&) = delete;

  private:
    TWait& Wait;
  };

  // Until `done` holds, or `closed` (when given), or the time-out or a Cancel comes first; a time-out
  // or a cancel stands even if `done` holds by the time the wait looks again.
  TWaitEnd Until(const std::function<bool()>& done, const std::function<bool()>& closed = {});

  void Cancel() { Canceled = true; }
  bool Cancelled() const { return Canceled; }
  // Clears a cancel, as the operation that met it raises; whether there was one.
  bool TakeCancel();
  const TTimer& Timer() const { return TimeoutTimer; }

private:
  void TimerFired();
  void Report(const std::string& text);

  TMessagePump& Pump;
  const int32_t& TimeOut;
  TTimer TimeoutTimer{0, false};
  bool Canceled = false;
  bool IsTimedOut = false;
  // The condition of the Until in progress; empty otherwise.
  std::function<bool()> Awaited;
};
