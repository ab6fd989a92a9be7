#include "imap/portable/ImapCommands.h"

#include <algorithm>
#include <cstdint>

#include "toolkit/portable/Base64.h"

namespace {

// RFC 9051's quoted string: 7-bit text without CR, LF and NUL.
bool Quotable(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte != 0 && byte < 0x80 && c != '\r' && c != '\n';
  });
}

}  // namespace

std::vector<std::string> ImapCommand(std::string_view head, const std::vector<std::string_view>& strings) {
  std::vector<std::string> pieces(1, std::string(head));
  for (const std::string_view text : strings) {
    std::string& piece = pieces.back();
    if (Quotable(text)) {
      piece += " \"";
      for (const char c : text) {
        if (c == '"' || c == '\\') piece += '\\';
        piece += c;
      }
      piece += '"';
    } else {
      piece += " {" + std::to_string(text.size()) + "}";
      pieces.emplace_back(text);
    }
  }
  return pieces;
}

std::string PlainCredentials(std::string_view user, std::string_view password) {
  std::string message(1, '\0');
  message.append(user).append(1, '\0').append(password);
  return Base64(message);
}
