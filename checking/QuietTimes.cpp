#include "checking/QuietTimes.h"

#include <utility>

#include "desktop/Shell.h"

namespace checking {

std::int32_t LocalMinuteOfDay() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wHour * 60 + now.wMinute;
}

TQuietTimes::TQuietTimes(TShell& shell, std::function<std::int32_t()> minuteOfDay)
    : Shell(shell), MinuteOfDay(std::move(minuteOfDay)) {}

Quiet TQuietTimes::Now() const {
  if (QuietHoursSet && InQuietHours(*QuietHoursSet, MinuteOfDay())) return Quiet::Hours;
  return StateHoldsNotices(Shell.NotificationState()) ? Quiet::Busy : Quiet::None;
}

}  // namespace checking
