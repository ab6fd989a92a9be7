// Fuzz target for the quiet hours' times as Pelmora.ini holds them (QUIETFROM, QUIETTO), however the
// file was edited. Beyond not crashing, a time read is a minute of the day, and written again it
// reads back as the same minute; a time already written as "HH:MM" is written the same way.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "checking/portable/QuietRules.h"
#include "tests/fuzz/FuzzProperty.h"

using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int32_t> minute = checking::ParseClockTime(text);
  if (!minute) return 0;
  Require(*minute >= 0 && *minute < checking::kMinutesPerDay, "a minute of the day");
  const std::string written = checking::ClockTimeText(*minute);
  Require(checking::ParseClockTime(written) == minute, "what is written reads back as the same minute");
  Require(text.size() != 5 || written == text, "HH:MM is written as it was read");
  return 0;
}
