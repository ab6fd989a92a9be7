#include "pop3/Pop3Rules.h"

#include <cstddef>
#include <limits>

std::string GetField(const std::string& text, char separator, int n) {
  if (n < 1) return {};
  std::size_t start = 0;
  for (int field = 1; field < n; ++field) {
    const std::size_t next = text.find(separator, start);
    if (next == std::string::npos) return {};
    start = next + 1;
  }
  const std::size_t end = text.find(separator, start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool IsPositiveReply(const std::string& reply) { return GetField(reply, ' ', 1).find("+OK") != std::string::npos; }

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

int32_t ConvertCount(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return 0;
  // Decimal must fit the signed range; hexadecimal may use all 32 bits, as a bit pattern.
  const uint64_t limit = base == 16 ? std::numeric_limits<uint32_t>::max()
                                    : uint64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1 : 0);
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0 || digit >= base) return 0;
    value = value * base + static_cast<uint64_t>(digit);
    if (value > limit) return 0;
  }
  const auto bits = static_cast<uint32_t>(negative ? uint64_t{0} - value : value);
  return static_cast<int32_t>(bits);
}

int32_t StatMessageCount(const std::string& reply) { return ConvertCount(GetField(reply, ' ', 2)); }

std::string WithTrailingBackslash(const std::string& path) {
  if (path.empty() || path.back() == '\\') return path;
  return path + '\\';
}
