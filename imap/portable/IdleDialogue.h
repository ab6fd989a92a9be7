#pragma once
// The dialogue of a connection that waits for new mail with IDLE (RFC 2177): greeting, STARTTLS,
// login, EXAMINE "INBOX", then IDLE, renewed with DONE now and then. Bytes in, bytes out, and what
// the connection is to do: no socket, no clock, no Windows API.
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "imap/portable/ImapResponse.h"
#include "transport/portable/TlsRules.h"

// Cuts the bytes of a connection into responses, each bounded as a check's are.
class TImapResponseStream {
public:
  // Complete responses go to `take` in their order; a malformed one, or a line or response past its
  // bound, throws Exception.
  void Add(std::string_view bytes, const std::function<void(const TImapResponse&)>& take);

private:
  std::string Line;  // the start of a line whose end has not come yet
  TImapResponseReader Reader;
};

// What the connection is to do after a step of the dialogue.
struct TIdleOutput {
  std::string Send;              // bytes to send, commands with their CR LF
  bool StartTls = false;         // secure the connection now, then call TlsStarted
  bool Idling = false;           // IDLE has begun after a login
  bool Mail = false;             // the mailbox changed during IDLE (EXISTS or EXPUNGE)
  bool NoIdle = false;           // the server cannot IDLE: this account is left to the check cycle
  std::optional<std::string> Failure;  // the connection is over; why
};

class TIdleDialogue {
public:
  TIdleDialogue(TSecurity security, std::string user, std::string password);

  // The next response of the server.
  TIdleOutput Take(const TImapResponse& response);
  // The connection became secure after STARTTLS.
  TIdleOutput TlsStarted();
  // Time to renew IDLE: DONE, and IDLE again once the server has answered it.
  TIdleOutput Renew();
  // The end: DONE while idling, then LOGOUT; nothing is awaited.
  std::string Goodbye();

  // A response is due, so the time-out applies; false only while idling.
  bool AwaitingAnswer() const { return Step != TStep::Idling; }
  bool Idling() const { return Step == TStep::Idling; }

private:
  enum class TStep { Greeting, StartTls, Capability, Login, CapabilityAfterLogin, Examine, IdleStart, Idling, Done, Over };

  TIdleOutput Command(TStep step, std::vector<std::string> pieces);
  TIdleOutput Login();
  TIdleOutput AfterTagged(const TImapResponse& response);
  TIdleOutput Fail(std::string reason);
  std::string Refusal(const TImapResponse& response) const;
  std::string NextTag();

  TSecurity Security;
  std::string User;
  std::string Password;
  bool Secure;
  TStep Step = TStep::Greeting;
  std::string Tag;                    // of the command in progress
  std::vector<std::string> Pending;   // pieces of it that wait for the server's "+"
  std::optional<std::set<std::string>> Capabilities;
  uint32_t Tags = 0;
};
