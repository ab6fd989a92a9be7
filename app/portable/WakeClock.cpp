#include "app/portable/WakeClock.h"

namespace {
// Beyond twice the interval, so that a tick handled after a long busy spell is not taken for sleep.
constexpr std::uint64_t kLateMarginMs = 60000;
// A resume notice and the late tick of the same wake-up arrive within this of each other in either
// order; the one that comes second must not check again.
constexpr std::uint64_t kSameWakeMs = 15000;
}  // namespace

bool WakeClock::Tick(std::uint64_t nowMs, std::uint32_t intervalMs) {
  const std::uint64_t elapsed = nowMs - PeriodStart;
  PeriodStart = nowMs;
  const bool late = elapsed > 2 * static_cast<std::uint64_t>(intervalMs) + kLateMarginMs;
  if (late) {
    LateTickSeen = true;
    LateTickAt = nowMs;
  }
  return late;
}

bool WakeClock::ResumeWantsCheck(std::uint64_t nowMs) const {
  return !LateTickSeen || nowMs - LateTickAt > kSameWakeMs;
}
