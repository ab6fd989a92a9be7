#include "desktop/portable/DialogFilter.h"

#include "toolkit/portable/Cp932.h"

std::string DialogFilter(std::string_view filter) {
  if (filter.empty()) return {};
  std::string out;
  out.reserve(filter.size() + 2);
  for (std::size_t pos = 0; pos < filter.size();) {
    const std::size_t next = cp932::NextChar(filter, pos);
    if (next == pos + 1 && filter[pos] == '|') out.push_back('\0');
    else out.append(filter.substr(pos, next - pos));
    pos = next;
  }
  out.append(2, '\0');
  return out;
}
