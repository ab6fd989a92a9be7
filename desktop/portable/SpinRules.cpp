#include "desktop/portable/SpinRules.h"

#include <limits>

#include "toolkit/portable/IntText.h"

std::int32_t SpinClamp(std::int64_t value, std::int32_t minValue, std::int32_t maxValue) {
  if (minValue != maxValue) {
    if (value > maxValue) return maxValue;
    if (value < minValue) return minValue;
  }
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

SpinReading ReadSpinText(std::string_view text, std::int32_t minValue, std::string_view suffix) {
  std::string_view number = text;
  if (!suffix.empty() && number.size() >= suffix.size() && number.ends_with(suffix))
    number.remove_suffix(suffix.size());
  if (const auto value = ParseInteger(number)) return {*value, std::nullopt};
  return {minValue, SpinText(minValue, suffix)};
}

std::string SpinText(std::int32_t value, std::string_view suffix) { return IntToStr(value) + std::string(suffix); }

std::int32_t SpinStep(std::int32_t value, std::int64_t delta, std::int32_t minValue, std::int32_t maxValue) {
  return SpinClamp(static_cast<std::int64_t>(value) + delta, minValue, maxValue);
}

bool IsSpinChar(std::uint32_t c) {
  return c == '+' || c == '-' || (c >= '0' && c <= '9') || c < 0x20 || c == 0x7F;
}

SpinHalf SpinHitTest(int x, int y, int width, int height) {
  if (width <= 0 || height <= 0 || x < 0 || y < 0 || x >= width || y >= height) return SpinHalf::None;
  // y > h - (w / h) * x, multiplied through by h > 0 so that no fraction is rounded.
  const std::int64_t w = width, h = height;
  return y * h > h * h - w * x ? SpinHalf::Down : SpinHalf::Up;
}

SpinButtonBox SpinButtonPlace(int fieldWidth, int fieldHeight, int borderHeight, bool sunken) {
  return {fieldWidth - fieldHeight, sunken ? fieldHeight - 4 * borderHeight : fieldHeight};
}

int SpinMinHeight(int fontHeight, int systemFontHeight, int borderHeight, bool hasBorder) {
  const int smaller = systemFontHeight < fontHeight ? systemFontHeight : fontHeight;
  return fontHeight + smaller / 4 + (hasBorder ? 4 * borderHeight : 0);
}

SpinPicture SpinPictureFor(bool enabled, SpinHalf shownPressed) {
  if (!enabled) return SpinPicture::Disabled;
  switch (shownPressed) {
    case SpinHalf::Up: return SpinPicture::UpPressed;
    case SpinHalf::Down: return SpinPicture::DownPressed;
    case SpinHalf::None: break;
  }
  return SpinPicture::Normal;
}

unsigned SpinRepeat::Press(SpinHalf half, std::uint16_t interval) {
  Half = half;
  Over = half != SpinHalf::None;
  WaitingFirst = Over;
  return interval + kFirstDelayExtra;
}

SpinRepeat::TickResult SpinRepeat::Tick() {
  if (!Held()) return {SpinHalf::None, false};
  const bool first = WaitingFirst;
  WaitingFirst = false;
  return {Over ? Half : SpinHalf::None, first};
}

bool SpinRepeat::Move(SpinHalf under) {
  if (!Held()) return false;
  const bool over = under == Half;
  const bool changed = over != Over;
  Over = over;
  return changed;
}

void SpinRepeat::Release() {
  Half = SpinHalf::None;
  Over = false;
  WaitingFirst = false;
}
