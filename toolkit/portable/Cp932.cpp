#include "toolkit/portable/Cp932.h"

namespace cp932 {

std::size_t NextChar(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  if (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) return pos + 2;
  return pos + 1;
}

std::string_view TruncateChars(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = 0;
  for (std::size_t next = NextChar(text, 0); next <= maxBytes && end < text.size(); next = NextChar(text, end)) {
    end = next;
  }
  return text.substr(0, end);
}

}  // namespace cp932
