#pragma once
// Whether a check's notices wait now: Windows' word on the user, asked through the shell, and the
// user's quiet hours by the clock.
#include <cstdint>
#include <functional>
#include <optional>

#include "checking/portable/QuietRules.h"

class TShell;

namespace checking {

// The minute of the local day, 0 to 1439.
std::int32_t LocalMinuteOfDay();

class TQuietTimes {
public:
  // The shell outlives this; tests give a clock of their own.
  explicit TQuietTimes(TShell& shell, std::function<std::int32_t()> minuteOfDay = LocalMinuteOfDay);

  void SetHours(const std::optional<QuietHours>& hours) { QuietHoursSet = hours; }
  const std::optional<QuietHours>& Hours() const { return QuietHoursSet; }
  // The user's hours before Windows' word: they hold balloons too.
  Quiet Now() const;

private:
  TShell& Shell;
  std::function<std::int32_t()> MinuteOfDay;
  std::optional<QuietHours> QuietHoursSet;
};

}  // namespace checking
