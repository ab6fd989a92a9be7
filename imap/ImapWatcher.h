#pragma once
// One account's IMAP connection that waits in IDLE for the server to tell of new mail. It is driven
// by its socket's notices and one timer, never by a wait of its own: waiting for hours costs nothing,
// and it never holds up the thread. It tells its owner what happened and never retries by itself.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "imap/portable/IdleDialogue.h"
#include "mailbox/portable/Login.h"
#include "toolkit/portable/Event.h"
#include "toolkit/Timer.h"
#include "transport/HostLookup.h"
#include "transport/SocketChannel.h"
#include "transport/Winsock.h"

class TTlsChannel;
class TTlsCredentials;

class TImapWatcher {
public:
  // The server's answers are bounded by login.TimeOut, as a check's are (0: without bound).
  TImapWatcher(const TLogin& login, std::shared_ptr<TTlsCredentials> credentials);
  // Says goodbye (DONE, LOGOUT) and closes without waiting for the answer.
  ~TImapWatcher();
  TImapWatcher(const TImapWatcher&) = delete;
  TImapWatcher& operator=(const TImapWatcher&) = delete;

  // IDLE has begun on a new connection.
  Event<TImapWatcher*> OnIdling;
  // The mailbox changed while idling.
  Event<TImapWatcher*> OnMail;
  // The server cannot IDLE; the connection is closed.
  Event<TImapWatcher*> OnNoIdle;
  // The connection is over (closed, refused, timed out, or failed); the reason.
  Event<TImapWatcher*, const std::string&> OnFailed;
  // The handlers of these events must not start or stop the watcher: they run inside its reading.

  // Connects anew, closing any connection first; IDLE is renewed every renewMs.
  void Start(uint32_t renewMs);
  // Says goodbye and closes; nothing more is told.
  void Stop();
  bool Idling() const { return Dialogue && Dialogue->Idling(); }
  bool Active() const { return Phase != TPhase::Stopped; }
  // IDLE renewals sent since construction.
  uint32_t Renewals() const { return RenewalCount; }

private:
  enum class TPhase { Stopped, Resolving, Connecting, Securing, Talking };

  void Notice(long event, bool ok);
  void TimerTick();
  void Resolved(uint32_t address);
  void Secure();
  void Read();
  void Apply(const TIdleOutput& out);
  // False when the connection failed on it.
  bool Send(const std::string& bytes);
  void SendUnsent();
  // Hands on what waits to be sent: the reason when the connection failed on it.
  std::optional<std::string> Push();
  // An answer is due within the time-out from now, or none is.
  void ExpectAnswer(bool expected);
  // Arms the timer for the next thing due: an answer, the renewal of IDLE, or a look at a lookup or
  // a certificate check, which tell of their end only to a waiting thread.
  void ArmTimer();
  void Fail(const std::string& reason);
  void Close();
  TByteChannel& Top();

  TWinsockUse Winsock;
  TLogin Login;
  std::shared_ptr<TTlsCredentials> Credentials;
  uint32_t RenewMs = 0;
  TPhase Phase = TPhase::Stopped;
  TSocketChannel Socket;
  std::optional<THostLookup> Lookup;
  std::unique_ptr<TTlsChannel> Tls;
  std::string Unsent;  // what the socket could not take yet
  std::optional<TIdleDialogue> Dialogue;
  TImapResponseStream Responses;
  bool Told = false;    // OnIdling came for this connection
  uint64_t Due = 0;     // when the awaited answer is late (GetTickCount64), 0 when none is awaited
  uint64_t RenewAt = 0;
  uint32_t RenewalCount = 0;
  TTimer Timer{0, false};
};
