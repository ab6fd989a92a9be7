#pragma once
// The connection cells of an account row (protocol, security and port) and what they mean. No
// Windows API.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pop3/portable/TlsRules.h"

namespace accounts {

// "" none, "SSL" TLS from the first byte, "STARTTLS"; nothing for any other text.
std::optional<TSecurity> SecurityOfCell(std::string_view cell);
std::string_view SecurityCell(TSecurity security);

// "" POP3, "IMAP"; nothing for any other text.
std::optional<TProtocol> ProtocolOfCell(std::string_view cell);
std::string_view ProtocolCell(TProtocol protocol);

// The port a text names: 1 to 65535 in decimal digits and nothing else; 0 for any other text.
int32_t PortNumber(std::string_view text);

// The port cell for a number: empty when it is the protocol's and security's default.
std::string PortCell(TProtocol protocol, TSecurity security, int32_t port);

struct Connection {
  TProtocol Protocol = TProtocol::Pop3;
  TSecurity Security = TSecurity::None;
  int32_t Port = 110;
};

// The connection of a row's three cells. A text that names no protocol, security or port throws
// Exception: a row whose security cannot be read must never be checked in clear, nor one whose
// protocol cannot be read with another protocol.
Connection ConnectionOfCells(std::string_view protocol, std::string_view security, std::string_view port);

}  // namespace accounts
