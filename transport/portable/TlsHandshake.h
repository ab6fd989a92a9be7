#pragma once
// The order of a TLS handshake's steps, and what the server's records in clear tell about a failed
// one. No Windows API: the Schannel session and the socket come in as template parameters.
#include <cstddef>
#include <string>
#include <string_view>

#include "transport/portable/TlsRules.h"

// Runs the client's side of a handshake. One read may bring several handshake messages and the
// session may take them one at a time, so every byte held goes to the session before more is read:
// reading first would wait for a server that has said all it will say until it hears back.
//   Session: std::string Start(); std::string Continue(std::string& input) (takes what it used from
//            the front of input); bool Established(); bool NeedsMoreInput() (the last Continue
//            found an incomplete message).
//   Stream:  void Send(const std::string& bytes); void Receive(std::string& input) (appends at least
//            one byte or throws).
// Bytes that arrived behind the handshake stay in input.
template <typename Session, typename Stream>
void RunHandshake(Session& session, Stream& stream, std::string& input) {
  stream.Send(session.Start());
  while (!session.Established()) {
    if (input.empty() || session.NeedsMoreInput()) stream.Receive(input);
    stream.Send(session.Continue(input));
  }
}

// Reads the server's records while they are still in clear (up to its ChangeCipherSpec or its first
// encrypted record): the protocol version it chose, its alerts, and whether it asked for a client
// certificate; and whether its first bytes are no TLS record at all.
class TTlsHandshakeObserver {
public:
  void Received(std::string_view bytes);

  // The server's first bytes are not the start of a TLS record (a "+OK", "-ERR" or "* OK" line):
  // known from its first byte or two, so that the handshake can fail at once.
  bool NotTls() const { return IsNotTls; }

  // The server chose TLS 1.1 or older, or answered with a protocol_version alert.
  bool OldProtocol() const { return IsOldProtocol; }
  // The server sent a CertificateRequest.
  bool CertificateRequested() const { return IsCertificateRequested; }
  void NoteCertificateRequest() { IsCertificateRequested = true; }

  // The reason of a handshake that failed after these records.
  TTlsFailure Failure() const;

private:
  void Record(unsigned type, std::string_view body);
  void HandshakeMessages();

  std::string Pending;    // the start of a record not yet complete
  std::string Handshake;  // handshake bytes not yet forming a complete message
  bool Encrypted = false;
  bool RecordSeen = false;
  bool IsNotTls = false;
  bool IsOldProtocol = false;
  bool IsCertificateRequested = false;
};
