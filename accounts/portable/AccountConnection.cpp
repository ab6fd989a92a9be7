#include "accounts/portable/AccountConnection.h"

#include <string>

#include "accounts/portable/AccountTexts.h"
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

std::string PortCell(TProtocol protocol, TSecurity security, int32_t port) {
  return port == DefaultPort(protocol, security) ? std::string() : std::to_string(port);
}

Connection ConnectionOfCells(std::string_view protocol, std::string_view security, std::string_view port) {
  const std::optional<TProtocol> kind = ProtocolOfCell(protocol);
  if (!kind) throw Exception("Unknown protocol");
  const std::optional<TSecurity> mode = SecurityOfCell(security);
  if (!mode) throw Exception("Unknown connection security");
  Connection connection{*kind, *mode, DefaultPort(*kind, *mode)};
  if (!port.empty()) connection.Port = PortNumber(port);
  if (connection.Port == 0) throw Exception("Invalid port");
  return connection;
}

}  // namespace accounts
