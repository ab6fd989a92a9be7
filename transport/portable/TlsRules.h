#pragma once
// How a mailbox connection is secured, and the reasons a secure connection fails, as the user reads
// them. No Windows API.
#include <cstdint>
#include <string>

enum class TSecurity {
  None,      // plain POP3, the password in clear
  Tls,       // TLS from the first byte
  StartTls,  // plain greeting, then STLS and TLS before the login
};

// The mailbox protocol an account is checked with.
enum class TProtocol {
  Pop3,
  Imap,
};

// POP3: 110 for None and StartTls, 995 for Tls; IMAP: 143 and 993 likewise.
int32_t DefaultPort(TProtocol protocol, TSecurity security);

enum class TTlsFailure {
  Untrusted,     // the chain does not lead to a trusted root, or is broken
  HostMismatch,  // the certificate names another host
  Expired,       // outside its validity period
  Revoked,       // its CA has revoked it
  NoStartTls,    // the server refused STLS
  OldProtocol,        // the server speaks nothing newer than TLS 1.1
  ClientCertificate,  // the server wants a client certificate, which the program has none of
  NotTls,        // the server answers in clear (a port of plain POP3 or IMAP)
  Handshake,     // anything else on the way to a secure connection
};

// The reason in plain Japanese, one line without a line end.
std::string TlsFailureText(TTlsFailure failure);
