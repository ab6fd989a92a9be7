#include "checking/portable/QuietRules.h"

#include <utility>

namespace checking {

namespace {

// The numeric values of QUERY_USER_NOTIFICATION_STATE.
constexpr std::int32_t kBusy = 2;
constexpr std::int32_t kRunningD3dFullScreen = 3;
constexpr std::int32_t kPresentationMode = 4;
constexpr std::int32_t kQuietTime = 6;

std::u16string Number(std::size_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

std::optional<std::int32_t> Digits(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  std::int32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

bool InQuietHours(const QuietHours& hours, std::int32_t minuteOfDay) {
  if (hours.From <= hours.To) return minuteOfDay >= hours.From && minuteOfDay < hours.To;
  return minuteOfDay >= hours.From || minuteOfDay < hours.To;
}

std::optional<std::int32_t> ParseClockTime(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || text.size() - colon != 3) return std::nullopt;
  const std::optional<std::int32_t> hour = Digits(text.substr(0, colon));
  const std::optional<std::int32_t> minute = Digits(text.substr(colon + 1));
  if (!hour || !minute || *hour > 23 || *minute > 59) return std::nullopt;
  return *hour * 60 + *minute;
}

std::string ClockTimeText(std::int32_t minuteOfDay) {
  const std::int32_t hour = minuteOfDay / 60;
  const std::int32_t minute = minuteOfDay % 60;
  return std::string{static_cast<char>('0' + hour / 10), static_cast<char>('0' + hour % 10), ':',
                     static_cast<char>('0' + minute / 10), static_cast<char>('0' + minute % 10)};
}

bool StateHoldsNotices(std::int32_t state) {
  return state == kBusy || state == kRunningD3dFullScreen || state == kPresentationMode || state == kQuietTime;
}

void HeldNotices::Hold(std::u16string notice) {
  if (Lines.size() < kMaxHeldLines)
    Lines.push_back(std::move(notice));
  else
    ++Beyond;
}

std::u16string HeldNotices::TakeSummary() {
  std::u16string text = u"通知を控えていた間のお知らせ (" + Number(Lines.size() + Beyond) + u" 件):";
  for (const std::u16string& line : Lines) text += u"\n" + line;
  if (Beyond > 0) text += u"\nほか " + Number(Beyond) + u" 件";
  Lines.clear();
  Beyond = 0;
  return text;
}

}  // namespace checking
