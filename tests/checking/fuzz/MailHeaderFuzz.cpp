// Fuzz target for a message's header block as the server sends it: the input is the header, read for
// its sender and subject as a notice shows them. Beyond not crashing, each of the two is:
// - valid UTF-16: every surrogate in a pair, high then low;
// - at most kMaxShownChars units long;
// - free of control characters, line separators, byte order marks and the bidirectional controls
//   that would turn the rest of a notice's line around, and of blanks at either end or two in a row.
#include <cstdint>
#include <string>
#include <string_view>

#include "checking/portable/MailHeader.h"
#include "tests/fuzz/FuzzProperty.h"
#include "toolkit/portable/Cp932.h"

namespace {

using fuzz::Require;

// A stand-in for code page 932, total and cheap: ASCII (controls included, as Windows maps them) and
// half-width katakana as themselves, a double-byte character as a CJK ideograph of its own, a lone
// first byte at the end as U+FFFD.
std::u16string StandInCp932(std::string_view bytes) {
  std::u16string text;
  for (std::size_t i = 0, next = 0; i < bytes.size(); i = next) {
    next = cp932::NextChar(bytes, i);
    const auto first = static_cast<unsigned char>(bytes[i]);
    if (next - i == 2) {
      text += static_cast<char16_t>(0x4E00 + ((first << 8) | static_cast<unsigned char>(bytes[i + 1])) % 0x5000);
    } else if (cp932::IsLeadByte(first)) {
      text += u'\uFFFD';
    } else if (first >= 0xA1 && first <= 0xDF) {
      text += static_cast<char16_t>(0xFF61 + first - 0xA1);
    } else {
      text += static_cast<char16_t>(first);
    }
  }
  return text;
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool IsBidiControl(char16_t c) {
  return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0x061C;
}

bool IsHidden(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0xFEFF || IsBidiControl(c);
}

void CheckShown(const std::u16string& text) {
  Require(text.size() <= checking::kMaxShownChars, "no longer than the bound");
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i])) {
      Require(i + 1 < text.size() && IsLow(text[i + 1]), "a high surrogate is followed by a low one");
      ++i;
      continue;
    }
    Require(!IsLow(text[i]), "no low surrogate alone");
    Require(!IsHidden(text[i]), "no control character");
    Require(text[i] != u' ' || (i > 0 && i + 1 < text.size() && text[i - 1] != u' '), "single blanks inside only");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const checking::MailSummary summary =
      checking::ReadMailHeader({reinterpret_cast<const char*>(data), size}, StandInCp932);
  CheckShown(summary.Sender);
  CheckShown(summary.Subject);
  return 0;
}
