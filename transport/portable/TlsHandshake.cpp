#include "transport/portable/TlsHandshake.h"

namespace {

constexpr unsigned kAlert = 21;
constexpr unsigned kHandshake = 22;
constexpr unsigned kServerHello = 2;
constexpr unsigned kCertificateRequest = 13;
constexpr unsigned kProtocolVersionAlert = 70;
constexpr unsigned kTls12 = 0x0303;
constexpr std::size_t kRecordHeader = 5;
constexpr std::size_t kMessageHeader = 4;
// A record in clear is at most 2^14 bytes; a longer length is no TLS and ends the reading.
constexpr std::size_t kMaxRecord = 16384 + 2048;
// Handshake messages in clear that matter here are small; a server's certificate chain may not be.
constexpr std::size_t kMaxHandshakeHeld = 1 << 17;

// The record types run from ChangeCipherSpec (20) to Heartbeat (24); every version is 3.x.
constexpr unsigned kFirstRecordType = 20;
constexpr unsigned kLastRecordType = 24;
constexpr unsigned kVersionMajor = 3;

unsigned Byte(std::string_view bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }

unsigned Uint16(std::string_view bytes, std::size_t at) { return Byte(bytes, at) << 8 | Byte(bytes, at + 1); }

// False as soon as the bytes held cannot begin a record: a text line fails on its first byte.
bool CanStartRecord(std::string_view bytes) {
  if (bytes.empty()) return true;
  if (Byte(bytes, 0) < kFirstRecordType || Byte(bytes, 0) > kLastRecordType) return false;
  return bytes.size() < 2 || Byte(bytes, 1) == kVersionMajor;
}

}  // namespace

void TTlsHandshakeObserver::Received(std::string_view bytes) {
  if (Encrypted || IsNotTls) return;
  Pending.append(bytes);
  if (!RecordSeen && !CanStartRecord(Pending)) {
    IsNotTls = true;
    Pending.clear();
    return;
  }
  while (!Encrypted && Pending.size() >= kRecordHeader) {
    const std::size_t length = Uint16(Pending, 3);
    if (length > kMaxRecord) {
      Encrypted = true;
      break;
    }
    if (Pending.size() < kRecordHeader + length) break;
    RecordSeen = true;
    Record(Byte(Pending, 0), std::string_view(Pending).substr(kRecordHeader, length));
    Pending.erase(0, kRecordHeader + length);
  }
  if (Encrypted) Pending.clear();
}

void TTlsHandshakeObserver::Record(unsigned type, std::string_view body) {
  if (type == kHandshake) {
    Handshake.append(body);
    HandshakeMessages();
  } else if (type == kAlert && body.size() == 2) {
    if (Byte(body, 1) == kProtocolVersionAlert) IsOldProtocol = true;
  } else {
    // A ChangeCipherSpec, application data or anything unknown: what follows is not in clear.
    Encrypted = true;
  }
}

void TTlsHandshakeObserver::HandshakeMessages() {
  while (Handshake.size() >= kMessageHeader) {
    const std::size_t length = Byte(Handshake, 1) << 16 | Uint16(Handshake, 2);
    if (Handshake.size() < kMessageHeader + length) break;
    const std::string_view body = std::string_view(Handshake).substr(kMessageHeader, length);
    const unsigned type = Byte(Handshake, 0);
    if (type == kServerHello && body.size() >= 2 && Uint16(body, 0) < kTls12) IsOldProtocol = true;
    if (type == kCertificateRequest) IsCertificateRequested = true;
    Handshake.erase(0, kMessageHeader + length);
  }
  if (Handshake.size() > kMaxHandshakeHeld) Encrypted = true;
}

TTlsFailure TTlsHandshakeObserver::Failure() const {
  if (IsNotTls) return TTlsFailure::NotTls;
  if (IsOldProtocol) return TTlsFailure::OldProtocol;
  if (IsCertificateRequested) return TTlsFailure::ClientCertificate;
  return TTlsFailure::Handshake;
}
