#include "pop3/portable/Pop3Rules.h"

#include <cstddef>

#include "toolkit/portable/IntText.h"

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

int32_t ConvertCount(const std::string& text) { return ParseInteger(text, HexPrefixes::DollarXOr0x).value_or(0); }

int32_t StatMessageCount(const std::string& reply) { return ConvertCount(GetField(reply, ' ', 2)); }

std::string WithTrailingBackslash(const std::string& path) {
  if (path.empty() || path.back() == '\\') return path;
  return path + '\\';
}
