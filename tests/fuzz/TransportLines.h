#pragma once
// A server's byte stream as the transport hands it on: lines each with their LF, and what follows
// the last LF as a line without one (the server closed the connection there).
#include <string_view>
#include <vector>

namespace fuzz {

inline std::vector<std::string_view> TransportLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = bytes.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    lines.push_back(bytes.substr(start, next - start));
    start = next;
  }
  return lines;
}

}  // namespace fuzz
