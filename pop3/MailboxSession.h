#pragma once
// What the sessions of both mailbox protocols share: the login they take, the identities they may
// be asked for, and how a session is dropped.
#include <string>

#include "pop3/portable/Login.h"
#include "pop3/portable/TlsRules.h"
#include "pop3/SockTransport.h"

class TMailboxSession : public TSockTransport {
public:
  using TSockTransport::TSockTransport;
  ~TMailboxSession() override;

  // Published properties: plain stores.
  std::string UserID;
  std::string Password;
  // TLS from the first byte, or STARTTLS after the greeting; either never falls back to plain.
  TSecurity Security = TSecurity::None;
  // Connect also reads the messages' identities.
  bool AskIds = false;

  // Sets Host, Port, Security, UserID, Password and TimeOut at once.
  void SetLogin(const TLogin& login);

  // Without the protocol's goodbye: drops a live connection, so a wait that the time-out ended
  // fails at once.
  void Abort() override;
};
