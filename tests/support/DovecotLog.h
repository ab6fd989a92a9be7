#pragma once
// The log of the private Dovecot of scripts/test (scripts/lib/services.d/dovecot.sh): who logged in,
// and whether over TLS.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

inline std::string DovecotLog() {
  const char* mail = std::getenv("PELMORA_DOVECOT_MAIL");
  if (!mail) return {};
  std::ifstream file(std::string("Z:") + mail + "/../log/dovecot.log", std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The log's login lines of `user`.
inline std::vector<std::string> LoginLines(const std::string& user) {
  const std::string log = DovecotLog();
  const std::string mark = "Login: user=<" + user + ">";
  std::vector<std::string> lines;
  for (std::size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1))
    lines.push_back(log.substr(at, log.find('\n', at) - at));
  return lines;
}

}  // namespace testsupport
