#pragma once
// The connection cells of an account row (protocol, security and port) and what they mean. No
// Windows API.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "accounts/portable/AccountTable.h"
#include "transport/portable/TlsRules.h"

namespace accounts {

// "" none, "SSL" TLS from the first byte, "STARTTLS"; nothing for any other text.
std::optional<TSecurity> SecurityOfCell(std::string_view cell);
std::string_view SecurityCell(TSecurity security);

// "" POP3, "IMAP"; nothing for any other text.
std::optional<TProtocol> ProtocolOfCell(std::string_view cell);
std::string_view ProtocolCell(TProtocol protocol);

// The port a text names: 1 to 65535 in decimal digits and nothing else; 0 for any other text.
int32_t PortNumber(std::string_view text);

// The port field's text as the input method or a paste gives it: full-width digits become digits and
// blanks (half- or full-width) around the number go. Anything else stays, for the dialog to refuse.
std::string PortDigits(std::string_view typed);

// The port a field or cell stands for: the protocol's and security's default while it is empty,
// otherwise PortNumber of it.
int32_t PortOfField(std::string_view text, TProtocol protocol, TSecurity security);

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

// What the account grid shows of a cell: the header and an account's own cells as held; of its
// connection what is in force, "POP3" or "IMAP", "なし", "SSL/TLS" or "STARTTLS", and the port
// used, so that the user never has to know what an empty cell stands for. A connection cell that names
// nothing known shows as held, and a row with nothing in it stays blank.
std::string ShownCell(const AccountTable& table, int col, int row);

}  // namespace accounts
