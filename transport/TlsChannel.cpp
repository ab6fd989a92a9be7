#include "transport/TlsChannel.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "transport/CertificateCheck.h"
#include "transport/portable/CertificateRules.h"
#include "transport/portable/SockErrors.h"
#include "transport/portable/TlsHandshake.h"
#include "transport/TlsSession.h"
#include "toolkit/Text.h"

// The handshake's bytes: a read waits while nothing has arrived, and shows the session every byte of
// the server.
class TTlsChannel::HandshakeStream {
public:
  HandshakeStream(TLink& link, TTlsSession& session) : Link(link), Session(session) {}

  void Send(const std::string& bytes) { Link.SendAll(bytes); }

  void Receive(std::string& input) {
    // Handshake records are at most 16 KiB each; a server that sends far more without finishing is
    // no TLS server.
    constexpr std::size_t kMaxHeld = 1 << 18;
    char chunk[4096];
    for (;;) {
      const int n = Link.Receive(chunk, sizeof chunk);
      if (n > 0) {
        Session.Received(std::string_view(chunk, static_cast<std::size_t>(n)));
        // A plain server's greeting or reply may never complete a record: waiting would take the time-out.
        if (Session.HandshakeFailure() == TTlsFailure::NotTls) throw ETlsError(TlsFailureText(TTlsFailure::NotTls));
        input.append(chunk, static_cast<std::size_t>(n));
        if (input.size() > kMaxHeld) throw ETlsError(TlsFailureText(TTlsFailure::Handshake));
        return;
      }
      if (n == 0) throw ESockError("Connection closed during the TLS handshake");
      Link.CheckReceiveError();
      Link.AwaitInput();
    }
  }

private:
  TLink& Link;
  TTlsSession& Session;
};

TTlsChannel::TTlsChannel(TLink& link, std::shared_ptr<TTlsCredentials> credentials, const std::string& host,
                         int32_t timeOutMs)
    : Link(link), Session(std::make_unique<TTlsSession>(std::move(credentials), Widen(host))), Host(host),
      TimeOutMs(timeOutMs) {}

TTlsChannel::~TTlsChannel() = default;

void TTlsChannel::Open() {
  HandshakeStream stream(Link, *Session);
  try {
    RunHandshake(*Session, stream, Input);
  } catch (const EAbortError&) {
    throw;
  } catch (const ETlsError&) {
    throw;
  } catch (const ESockError&) {
    // A server that breaks the connection mid-handshake is a failed secure connection, whatever the
    // socket reported; what it said in clear before may name the reason.
    throw ETlsError(TlsFailureText(Session->HandshakeFailure()));
  }
  Session->RequireModernProtocol();
  Verify(Session->ServerCertificate().get());
}

void TTlsChannel::Verify(PCCERT_CONTEXT certificate) {
  if (VerifiedBefore(certificate, Host)) return;
  Link.Report("Verifying Certificate");
  // Building the chain may wait on the network for a long time, so it runs on a thread of its own
  // while this one waits as for the socket.
  const TCertificateCheck check(certificate, Widen(Host), RevocationRetrievalBound(TimeOutMs));
  Link.WaitUntilReady([&check] { return check.Done(); }, "Certificate check");
  if (const auto failure = check.Result()) throw ETlsError(TlsFailureText(*failure));
  RememberVerified(certificate, Host);
}

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

bool TTlsChannel::Arrived() {
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

// Leaves WSAGetLastError at the socket's error when nothing could be read, or 0 after a read.
void TTlsChannel::DecryptArrived() {
  // Reads a chunk at a time and stops as soon as plaintext comes out, or after a few chunks: what is
  // held stays within a record or two however fast a server sends, and the reader's loop gets back
  // to dispatching messages.
  constexpr int kChunksPerCall = 4;
  char chunk[16384];
  int error = 0;
  bool peerClosed = false;
  std::string toSend;
  const auto decrypt = [&] {
    if (!Session->Decrypt(Input, Plain, toSend)) Closed = true;
  };
  // Records already held (behind the handshake, or left by the last call) come first.
  decrypt();
  for (int chunks = 0; chunks < kChunksPerCall && Plain.empty() && !Closed; ++chunks) {
    const int n = Link.Receive(chunk, sizeof chunk);
    if (n <= 0) {
      if (n == 0) peerClosed = true;
      if (n < 0) error = WSAGetLastError();
      break;
    }
    Input.append(chunk, static_cast<std::size_t>(n));
    decrypt();
  }
  Link.SendAll(toSend);
  if (peerClosed && Plain.empty()) Closed = true;
  WSASetLastError(error == WSAEWOULDBLOCK ? 0 : error);
}

int TTlsChannel::Send(const char* data, int length) {
  Link.SendAll(Session->Encrypt(std::string(data, static_cast<std::size_t>(length))));
  return length;
}

void TTlsChannel::Close() { Link.SendAll(Session->Shutdown()); }

void TTlsChannel::DiscardInput() {
  Input.clear();
  Plain.clear();
}
