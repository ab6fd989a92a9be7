#pragma once
// The interval spinner's arithmetic, the hit test and geometry of its button, and the timing of a
// held button; no Windows API.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// `value` kept between the bounds; equal bounds keep it anywhere in the 32-bit range.
std::int32_t SpinClamp(std::int64_t value, std::int32_t minValue, std::int32_t maxValue);

struct SpinReading {
  std::int32_t Value;
  std::optional<std::string> NewText;  // set when reading replaces the field's text
};

// Reading the field: an empty text, or one that is no integer (after dropping `suffix`), reads as
// `minValue` and is replaced by its text. The result is not clamped: a number being typed reads as typed.
SpinReading ReadSpinText(std::string_view text, std::int32_t minValue, std::string_view suffix);

// The text written for `value` (already clamped).
std::string SpinText(std::int32_t value, std::string_view suffix);

// One step (line or page, up or down) from `value`, clamped; never wraps around the 32-bit range.
std::int32_t SpinStep(std::int32_t value, std::int64_t delta, std::int32_t minValue, std::int32_t maxValue);

// A typed character the field takes: "+", "-", a digit or a control character.
bool IsSpinChar(std::uint32_t c);

enum class SpinHalf { None, Up, Down };

// The button is divided by its diagonal from the lower-left to the upper-right corner: below it
// (y > height - (width / height) * x) is the lower half; the rest, the diagonal included, is the upper.
SpinHalf SpinHitTest(int x, int y, int width, int height);

struct SpinButtonBox {
  int Left;
  int Side;
};

// The square button at the right edge of a field of the given outer size, in the field's client
// coordinates (top 0): it starts at width - height; with the sunken border it is four border
// heights smaller, which makes it fill the client area's full height.
SpinButtonBox SpinButtonPlace(int fieldWidth, int fieldHeight, int borderHeight, bool sunken);

// The lowest the field may be for its font.
int SpinMinHeight(int fontHeight, int systemFontHeight, int borderHeight, bool hasBorder);

enum class SpinPicture { Normal, UpPressed, DownPressed, Disabled };
SpinPicture SpinPictureFor(bool enabled, SpinHalf shownPressed);

// Press-and-hold of the button. The step on the press is the caller's; the first repeat comes
// `interval` + 200 ms later and then one every `interval` ms. The timer keeps running while the
// pointer is off the half first pressed, but the steps and the pressed picture pause until it is back.
class SpinRepeat {
public:
  static constexpr unsigned kFirstDelayExtra = 200;

  struct TickResult {
    SpinHalf Step;       // the half to step now, or None
    bool SwitchPeriod;   // the first repeat: re-arm the timer with the steady period
  };

  // Returns the delay of the first repeat.
  unsigned Press(SpinHalf half, std::uint16_t interval);
  TickResult Tick();
  // `under` is the half under the pointer (None off the button); true when the picture changes.
  bool Move(SpinHalf under);
  void Release();

  bool Held() const { return Half != SpinHalf::None; }
  SpinHalf ShownPressed() const { return Over ? Half : SpinHalf::None; }

private:
  SpinHalf Half = SpinHalf::None;
  bool Over = false;
  bool WaitingFirst = false;
};
