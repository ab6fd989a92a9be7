#pragma once
// Tells from a monotonic clock in milliseconds that the machine slept: the check timer's tick came far
// later than due. A timer's tick is only delayed by a busy program or a suspended machine, and the
// program never stays busy for whole periods, since its waits and boxes keep dispatching ticks.
#include <cstdint>

class WakeClock {
public:
  explicit WakeClock(std::uint64_t nowMs) : PeriodStart(nowMs) {}

  // The timer was (re)started: its next tick is due one interval from now.
  void PeriodStarted(std::uint64_t nowMs) { PeriodStart = nowMs; }
  // A tick of a timer of `intervalMs`: whether it came so late that it stands for a resume. Starts
  // the next period.
  bool Tick(std::uint64_t nowMs, std::uint32_t intervalMs);
  // A resume notice: whether it still asks for a check, or a late tick's check already served it.
  bool ResumeWantsCheck(std::uint64_t nowMs) const;

private:
  std::uint64_t PeriodStart;
  bool LateTickSeen = false;
  std::uint64_t LateTickAt = 0;
};
