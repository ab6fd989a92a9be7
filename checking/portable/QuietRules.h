#pragma once
// When the notices of a check wait (Windows says the user is busy, or the user's quiet hours), and
// the one notice that tells what waited once that ends. No Windows API.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace checking {

// The hours, as minutes of the day, in which notices wait: From up to but not including To; a To
// before From spans midnight, and equal ends hold nothing.
struct QuietHours {
  std::int32_t From = 0;
  std::int32_t To = 0;
  bool operator==(const QuietHours&) const = default;
};
bool InQuietHours(const QuietHours& hours, std::int32_t minuteOfDay);

inline constexpr std::int32_t kMinutesPerDay = 24 * 60;
// "H:MM" or "HH:MM" from 0:00 to 23:59, as minutes of the day; nothing for any other text.
std::optional<std::int32_t> ParseClockTime(std::string_view text);
// "07:05".
std::string ClockTimeText(std::int32_t minuteOfDay);

// Why notices wait now. Balloons already wait on their own while Windows says the user is busy.
enum class Quiet { None, Busy, Hours };
// Windows' user notification state (a QUERY_USER_NOTIFICATION_STATE value): busy, a full-screen
// program (Direct3D or not), presentation mode and the quiet time after setup hold notices; the
// user being away or another value does not, so that nothing waits on a state nobody ends.
bool StateHoldsNotices(std::int32_t state);

// The most notices a summary names; the rest are counted.
inline constexpr std::size_t kMaxHeldLines = 10;

// The notices held back, in order, until one summary tells them.
class HeldNotices {
public:
  void Hold(std::u16string notice);
  bool Empty() const { return Lines.empty() && Beyond == 0; }
  // "通知を控えていた間のお知らせ (<n> 件):", then the first kMaxHeldLines notices, then
  // "ほか <m> 件"; the store is empty afterwards.
  std::u16string TakeSummary();

private:
  std::vector<std::u16string> Lines;
  std::size_t Beyond = 0;
};

}  // namespace checking
