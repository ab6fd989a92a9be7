#include "imap/ImapWatcher.h"

#include <algorithm>

#include "transport/portable/SockErrors.h"
#include "transport/TlsChannel.h"
#include "transport/TlsSession.h"

namespace {
// Keep-alive probes after a minute of silence find a connection that a router dropped long before
// IDLE is renewed.
constexpr uint32_t kKeepAliveIdleMs = 60000;
constexpr uint32_t kKeepAliveIntervalMs = 10000;
// How often a name lookup or a certificate check is looked at: both tell of their end only to a
// waiting thread, and both are over in moments.
constexpr uint32_t kLookMs = 50;
constexpr std::size_t kChunk = 4096;

uint64_t Now() { return GetTickCount64(); }
}  // namespace

TImapWatcher::TImapWatcher(const TLogin& login, std::shared_ptr<TTlsCredentials> credentials)
    : Login(login), Credentials(std::move(credentials)) {
  Socket.OnNotice = [this](long event, bool ok) { Notice(event, ok); };
  Timer.OnTimer = [this](TObject*) { TimerTick(); };
}

TImapWatcher::~TImapWatcher() { Stop(); }

TByteChannel& TImapWatcher::Top() {
  if (Tls) return *Tls;
  return Socket;
}

void TImapWatcher::Start(uint32_t renewMs) {
  Close();
  RenewMs = renewMs;
  Dialogue.emplace(Login.Security, Login.UserID, Login.Password);
  Responses = TImapResponseStream();
  Told = false;
  if (!Socket.OpenSocket(0, false)) return Fail(SockErrorText(WSAGetLastError()));
  ExpectAnswer(true);
  // A text with a NUL ends there, as the system reads it; an empty one is no address at all.
  const std::string name = Login.Host.substr(0, Login.Host.find('\0'));
  const uint32_t address = name.empty() ? 0 : inet_addr(name.c_str());
  if (address != INADDR_NONE) return Resolved(address);
  Lookup.emplace();
  if (!Lookup->Start(name)) return Fail("Host Lookup Failed");
  Phase = TPhase::Resolving;
  ArmTimer();
}

void TImapWatcher::Resolved(uint32_t address) {
  Lookup.reset();
  if (address == 0) return Fail("Null Remote Address");
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(static_cast<u_short>(Login.Port & 0xFFFF));
  remote.sin_addr.s_addr = address;
  Phase = TPhase::Connecting;
  if (!Socket.StartConnect(remote)) return Fail(SockErrorText(WSAGetLastError()));
  ArmTimer();
}

void TImapWatcher::Stop() {
  Close();
}

void TImapWatcher::Notice(long event, bool ok) {
  if (Phase == TPhase::Connecting) {
    if (event != FD_CONNECT) return;
    if (!ok) return Fail("Connection Failed");
    Socket.KeepAlive(kKeepAliveIdleMs, kKeepAliveIntervalMs);
    if (Login.Security == TSecurity::Tls) return Secure();
    Phase = TPhase::Talking;
    return ArmTimer();
  }
  if (Phase != TPhase::Securing && Phase != TPhase::Talking) return;
  if (event == FD_WRITE) return SendUnsent();
  if (event == FD_READ || event == FD_CLOSE) Read();
}

void TImapWatcher::Secure() {
  Tls = std::make_unique<TTlsChannel>(Socket, Credentials, Login.Host, Login.TimeOut);
  Phase = TPhase::Securing;
  ExpectAnswer(true);
  Read();
}

void TImapWatcher::Read() {
  try {
    if (Phase == TPhase::Securing) {
      if (!Tls->Connect()) return ArmTimer();
      Phase = TPhase::Talking;
      if (Login.Security == TSecurity::StartTls) Apply(Dialogue->TlsStarted());
      if (Phase != TPhase::Talking) return;
      ArmTimer();
    }
    char chunk[kChunk];
    while (Phase == TPhase::Talking) {
      const int n = Top().Receive(chunk, static_cast<int>(kChunk), false);
      if (n == 0) return Fail("Connection closed");
      if (n < 0) {
        if (WSAGetLastError() == WSAEWOULDBLOCK || WSAGetLastError() == 0) return;
        return Fail(SockErrorText(WSAGetLastError()));
      }
      Responses.Add(std::string_view(chunk, static_cast<std::size_t>(n)), [this](const TImapResponse& response) {
        if (Phase == TPhase::Talking) Apply(Dialogue->Take(response));
      });
    }
  } catch (const Exception& e) {
    Fail(e.message());
  }
}

void TImapWatcher::Apply(const TIdleOutput& out) {
  if (out.Failure) return Fail(*out.Failure);
  if (!out.Send.empty() && !Send(out.Send)) return;
  if (out.NoIdle) {
    Close();
    return OnNoIdle(this);
  }
  if (out.StartTls) return Secure();
  if (out.Idling) RenewAt = Now() + RenewMs;
  ExpectAnswer(Dialogue->AwaitingAnswer());
  ArmTimer();
  if (out.Idling && !Told) {
    Told = true;
    OnIdling(this);
  }
  if (out.Mail) OnMail(this);
}

bool TImapWatcher::Send(const std::string& bytes) {
  // TLS takes every record and sends it as room allows; the socket alone takes what fits now.
  Unsent += bytes;
  SendUnsent();
  return Phase != TPhase::Stopped;
}

void TImapWatcher::SendUnsent() {
  if (const std::optional<std::string> failure = Push()) Fail(*failure);
}

std::optional<std::string> TImapWatcher::Push() {
  try {
    while (!Unsent.empty()) {
      const int n = Top().Send(Unsent.data(), static_cast<int>(Unsent.size()));
      if (n <= 0) return WSAGetLastError() == WSAEWOULDBLOCK ? std::nullopt : std::optional(SockErrorText(WSAGetLastError()));
      Unsent.erase(0, static_cast<std::size_t>(n));
    }
    Top().Flush();
  } catch (const Exception& e) {
    return e.message();
  }
  return std::nullopt;
}

void TImapWatcher::ExpectAnswer(bool expected) { Due = expected && Login.TimeOut > 0 ? Now() + static_cast<uint32_t>(Login.TimeOut) : 0; }

void TImapWatcher::ArmTimer() {
  Timer.SetEnabled(false);
  uint64_t at = 0;
  if (Phase == TPhase::Resolving || (Phase == TPhase::Securing && Tls->Verifying())) {
    at = Now() + kLookMs;
  } else if (Phase == TPhase::Talking && Dialogue->Idling()) {
    at = RenewAt;
  }
  if (Due != 0 && (at == 0 || Due < at)) at = Due;
  if (at == 0) return;
  const uint64_t now = Now();
  Timer.SetInterval(static_cast<uint32_t>(std::max<uint64_t>(at, now + 1) - now));
  Timer.SetEnabled(true);
}

void TImapWatcher::TimerTick() {
  Timer.SetEnabled(false);
  if (Phase == TPhase::Resolving && Lookup->Done()) return Resolved(Lookup->Address());
  if (Phase == TPhase::Securing && Tls->Verifying() && Tls->CanProceed()) return Read();
  if (Due != 0 && Now() >= Due) return Fail("Timed out");
  if (Phase == TPhase::Talking && Dialogue->Idling() && Now() >= RenewAt) {
    ++RenewalCount;
    return Apply(Dialogue->Renew());
  }
  ArmTimer();
}

void TImapWatcher::Fail(const std::string& reason) {
  Close();
  OnFailed(this, reason);
}

void TImapWatcher::Close() {
  Timer.SetEnabled(false);
  const bool talking = Phase == TPhase::Talking;
  Phase = TPhase::Stopped;
  if (talking) {
    // The goodbye is a courtesy to a server that may be gone already: the connection ends either way.
    Unsent += Dialogue->Goodbye();
    Push();
    if (Tls) {
      Tls->Close();
      Push();
    }
  }
  Tls.reset();
  Lookup.reset();
  // Without a lingering reset: what was sent last still reaches the server after the close.
  Socket.DropSocket();
  Dialogue.reset();
  Unsent.clear();
  Due = 0;
}
