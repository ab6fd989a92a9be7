#include "toolkit/portable/IntText.h"

namespace {

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text, HexPrefixes prefixes) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  const bool bareX = prefixes == HexPrefixes::DollarXOr0x;
  if (i < text.size() && (text[i] == '$' || (bareX && (text[i] == 'x' || text[i] == 'X')))) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  // Magnitude limits: 2^31 for a negative decimal, 2^31 - 1 for a positive one, 2^32 - 1 for a pattern.
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (magnitude > limit) return std::nullopt;
  }
  // Two's complement in unsigned arithmetic: exact for decimal, wrapping for a hexadecimal pattern.
  const auto bits = static_cast<std::uint32_t>(negative ? 0u - magnitude : magnitude);
  return static_cast<std::int32_t>(bits);
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback) {
  return ParseInteger(text).value_or(fallback);
}

std::string IntToStr(std::int32_t value) { return std::to_string(value); }
