#include "accounts/portable/AccountConnection.h"

#include <string>

#include "accounts/portable/AccountTexts.h"
#include "toolkit/portable/Cp932.h"
#include "toolkit/portable/Exception.h"

namespace accounts {

std::optional<TSecurity> SecurityOfCell(std::string_view cell) {
  if (cell.empty()) return TSecurity::None;
  if (cell == kSecuritySsl) return TSecurity::Tls;
  if (cell == kSecurityStartTls) return TSecurity::StartTls;
  return std::nullopt;
}

std::string_view SecurityCell(TSecurity security) {
  switch (security) {
    case TSecurity::Tls:
      return kSecuritySsl;
    case TSecurity::StartTls:
      return kSecurityStartTls;
    case TSecurity::None:
      break;
  }
  return {};
}

std::optional<TProtocol> ProtocolOfCell(std::string_view cell) {
  if (cell.empty()) return TProtocol::Pop3;
  if (cell == kProtocolImap) return TProtocol::Imap;
  return std::nullopt;
}

std::string_view ProtocolCell(TProtocol protocol) { return protocol == TProtocol::Imap ? kProtocolImap : ""; }

int32_t PortNumber(std::string_view text) {
  if (text.empty() || text.size() > 5) return 0;
  int32_t port = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}

std::string PortDigits(std::string_view typed) {
  constexpr unsigned char kWideDigitLead = 0x82, kWideZero = 0x4F, kWideNine = 0x58;
  constexpr unsigned char kWideSpaceLead = 0x81, kWideSpace = 0x40;
  std::string digits;
  std::size_t kept = 0;  // the length without the blanks that end it so far
  for (std::size_t at = 0; at < typed.size();) {
    const std::size_t next = cp932::NextChar(typed, at);
    const std::string_view character = typed.substr(at, next - at);
    const auto lead = static_cast<unsigned char>(character[0]);
    const auto trail = character.size() == 2 ? static_cast<unsigned char>(character[1]) : 0;
    if (lead == ' ' || lead == '\t' || (lead == kWideSpaceLead && trail == kWideSpace)) {
      if (!digits.empty()) digits.append(character);
    } else {
      if (lead == kWideDigitLead && trail >= kWideZero && trail <= kWideNine)
        digits += static_cast<char>('0' + (trail - kWideZero));
      else
        digits.append(character);
      kept = digits.size();
    }
    at = next;
  }
  digits.resize(kept);
  return digits;
}

int32_t PortOfField(std::string_view text, TProtocol protocol, TSecurity security) {
  return text.empty() ? DefaultPort(protocol, security) : PortNumber(text);
}

std::string PortCell(TProtocol protocol, TSecurity security, int32_t port) {
  return port == DefaultPort(protocol, security) ? std::string() : std::to_string(port);
}

Connection ConnectionOfCells(std::string_view protocol, std::string_view security, std::string_view port) {
  const std::optional<TProtocol> kind = ProtocolOfCell(protocol);
  if (!kind) throw Exception("Unknown protocol");
  const std::optional<TSecurity> mode = SecurityOfCell(security);
  if (!mode) throw Exception("Unknown connection security");
  const Connection connection{*kind, *mode, PortOfField(port, *kind, *mode)};
  if (connection.Port == 0) throw Exception("Invalid port");
  return connection;
}

std::string ShownCell(const AccountTable& table, int col, int row) {
  const std::string& cell = table.Cell(col, row);
  if (row == 0 || col < ColSecurity) return cell;
  bool blank = true;
  for (int c = 0; c < AccountTable::ColCount && blank; ++c) blank = table.Cell(c, row).empty();
  if (blank) return cell;
  const std::optional<TProtocol> protocol = ProtocolOfCell(table.Cell(ColProtocol, row));
  const std::optional<TSecurity> security = SecurityOfCell(table.Cell(ColSecurity, row));
  if (col == ColProtocol) return protocol ? std::string(kProtocolNames[static_cast<std::size_t>(*protocol)]) : cell;
  if (col == ColSecurity) return security ? std::string(kSecurityNames[static_cast<std::size_t>(*security)]) : cell;
  const int32_t port = protocol && security ? PortOfField(cell, *protocol, *security) : 0;
  return port != 0 ? std::to_string(port) : cell;
}

}  // namespace accounts
