#include "transport/TlsChannel.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "toolkit/Text.h"
#include "transport/CertificateCheck.h"
#include "transport/portable/CertificateRules.h"
#include "transport/portable/SockErrors.h"
#include "transport/TlsSession.h"

TTlsChannel::TTlsChannel(TByteChannel& lower, std::shared_ptr<TTlsCredentials> credentials, const std::string& host,
                         int32_t timeOutMs)
    : Lower(lower), Session(std::make_unique<TTlsSession>(std::move(credentials), Widen(host))), Host(host),
      TimeOutMs(timeOutMs) {}

TTlsChannel::~TTlsChannel() = default;

bool TTlsChannel::Connect() {
  if (IsOpen) return true;
  try {
    if (!Handshake()) return false;
  } catch (const ETlsError&) {
    throw;
  } catch (const ESockError&) {
    // A server that breaks the connection mid-handshake is a failed secure connection, whatever the
    // socket reported; what it said in clear before may name the reason.
    throw ETlsError(TlsFailureText(Session->HandshakeFailure()));
  }
  IsOpen = Verified();
  return IsOpen;
}

// One read may bring several handshake messages and the session may take them one at a time, so
// every byte held goes to the session before more is read: reading first would wait for a server
// that has said all it will say until it hears back.
bool TTlsChannel::Handshake() {
  if (!Started) {
    Started = true;
    Outgoing += Session->Start();
  }
  while (!Session->Established()) {
    if ((Input.empty() || Session->NeedsMoreInput()) && !ReceiveHandshake()) {
      Flush();
      return false;
    }
    Outgoing += Session->Continue(Input);
  }
  Flush();
  return true;
}

bool TTlsChannel::ReceiveHandshake() {
  // Handshake records are at most 16 KiB each; a server that sends far more without finishing is no
  // TLS server.
  constexpr std::size_t kMaxHeld = 1 << 18;
  char chunk[4096];
  const int n = Lower.Receive(chunk, sizeof chunk, false);
  if (n == 0) throw ESockError("Connection closed during the TLS handshake");
  if (n < 0) {
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return false;
    throw ESockError(SockErrorText(error));
  }
  Session->Received(std::string_view(chunk, static_cast<std::size_t>(n)));
  // A plain server's greeting or reply may never complete a record: waiting would take the time-out.
  if (Session->HandshakeFailure() == TTlsFailure::NotTls) throw ETlsError(TlsFailureText(TTlsFailure::NotTls));
  Input.append(chunk, static_cast<std::size_t>(n));
  if (Input.size() > kMaxHeld) throw ETlsError(TlsFailureText(TTlsFailure::Handshake));
  return true;
}

// Building the chain may wait on the network for a long time, so it runs on a thread of its own
// while the connection waits as for the server.
bool TTlsChannel::Verified() {
  if (!Check) {
    Session->RequireModernProtocol();
    const CertificatePtr certificate = Session->ServerCertificate();
    if (VerifiedBefore(certificate.get(), Host)) return true;
    if (OnReport) OnReport("Verifying Certificate");
    Check = std::make_unique<TCertificateCheck>(certificate.get(), Widen(Host), RevocationRetrievalBound(TimeOutMs));
  }
  if (!Check->Done()) return false;
  const auto failure = Check->Result();
  if (failure) throw ETlsError(TlsFailureText(*failure));
  RememberVerified(Session->ServerCertificate().get(), Host);
  Check.reset();
  return true;
}

bool TTlsChannel::CanProceed() { return Check ? Check->Done() : !Outgoing.empty() || Lower.HasInput(); }

int TTlsChannel::Receive(char* buffer, int length, bool peek) {
  DecryptIfNothingHeld();
  if (Plain.empty()) {
    if (Failure) std::rethrow_exception(Failure);
    if (Closed) return 0;
    if (WSAGetLastError() == 0) WSASetLastError(WSAEWOULDBLOCK);
    return SOCKET_ERROR;
  }
  const std::size_t n = std::min(Plain.size(), static_cast<std::size_t>(std::max(length, 0)));
  std::memcpy(buffer, Plain.data(), n);
  if (!peek) Plain.erase(0, n);
  return static_cast<int>(n);
}

bool TTlsChannel::HasInput() { return !Plain.empty() || Closed || Failure || Lower.HasInput(); }

bool TTlsChannel::DataWaiting() {
  DecryptIfNothingHeld();
  return !Plain.empty() || Failure;
}

void TTlsChannel::DecryptIfNothingHeld() {
  if (!Plain.empty() || Closed || Failure) return;
  try {
    DecryptArrived();
  } catch (const ESockError&) {
    // Raised here it could reach a window procedure's error dialog (the close notice decrypts too):
    // the reader that waits for these bytes fails with it instead.
    Failure = std::current_exception();
  }
}

// Leaves WSAGetLastError at the connection's error when nothing could be read, or 0 after a read.
void TTlsChannel::DecryptArrived() {
  // Reads a chunk at a time and stops as soon as plaintext comes out, or after a few chunks: what is
  // held stays within a record or two however fast a server sends, and the reader's loop gets back
  // to dispatching messages.
  constexpr int kChunksPerCall = 4;
  char chunk[16384];
  int error = 0;
  bool peerClosed = false;
  const auto decrypt = [&] {
    if (!Session->Decrypt(Input, Plain, Outgoing)) Closed = true;
  };
  // Records already held (behind the handshake, or left by the last call) come first.
  decrypt();
  for (int chunks = 0; chunks < kChunksPerCall && Plain.empty() && !Closed; ++chunks) {
    const int n = Lower.Receive(chunk, sizeof chunk, false);
    if (n <= 0) {
      if (n == 0) peerClosed = true;
      if (n < 0) error = WSAGetLastError();
      break;
    }
    Input.append(chunk, static_cast<std::size_t>(n));
    decrypt();
  }
  // What the session must answer (TLS 1.3 messages after the handshake) goes out as room allows.
  Flush();
  if (peerClosed && Plain.empty()) Closed = true;
  WSASetLastError(error == WSAEWOULDBLOCK ? 0 : error);
}

int TTlsChannel::Send(const char* data, int length) {
  Outgoing += Session->Encrypt(std::string(data, static_cast<std::size_t>(length)));
  Flush();
  return length;
}

// A record goes out whole: what the layer below cannot take now stays for the next Flush.
bool TTlsChannel::Flush() {
  while (!Outgoing.empty()) {
    const int n = Lower.Send(Outgoing.data(), static_cast<int>(Outgoing.size()));
    if (n > 0) {
      Outgoing.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK) throw ESockError(SockErrorText(WSAGetLastError()));
    return false;
  }
  return Lower.Flush();
}

void TTlsChannel::DiscardInput() {
  Input.clear();
  Plain.clear();
  Lower.DiscardInput();
}

void TTlsChannel::Close() { Outgoing += Session->Shutdown(); }
