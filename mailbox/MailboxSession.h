#pragma once
// What the sessions of both mailbox protocols share: the login they take, the identities they may
// be asked for, and how a session is dropped.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mailbox/portable/Login.h"
#include "pop3/portable/Pop3Listing.h"
#include "transport/portable/TlsRules.h"
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
  // Logs in with this access token (XOAUTH2 or OAUTHBEARER) instead of the password.
  std::string AccessToken;

  // Sets Host, Port, Security, UserID, Password, TimeOut and AccessToken at once.
  void SetLogin(const TLogin& login);

  // What the last Connect read: the mailbox's message count, and with AskIds each message's
  // identity by its number (nothing when not asked, or when the server cannot tell them).
  int32_t MessageCount() const { return Count; }
  const std::optional<std::vector<TUidlEntry>>& MessageIds() const { return Ids; }
  // While connected: the header blocks (at least From and Subject) of the messages `numbers`, in
  // their order, asked for together; nothing for a message whose header the server will not give. A
  // reply past its bounds raises.
  virtual std::vector<std::optional<std::string>> Headers(const std::vector<int32_t>& numbers) = 0;

  // Without the protocol's goodbye: drops a live connection, so a wait that the time-out ended
  // fails at once.
  void Abort() override;

protected:
  // When connected: the protocol's goodbye, the end of a secure session, then the close; the
  // connection is closed however the goodbye ends.
  void DoDisconnect() override;
  // The protocol's last command and its answer.
  virtual void SayGoodbye() = 0;
  // A token goes only over a connection that TLS secures, as nothing proves the server otherwise.
  void RequireTlsForToken() const;

  int32_t Count = 0;
  std::optional<std::vector<TUidlEntry>> Ids;
};
