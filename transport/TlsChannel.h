#pragma once
// The TLS layer of a connection, stacked on the layer below it: the handshake, the server's
// certificate checked against the host, records encrypted on the way out and decrypted on the way
// in, and close_notify at the end. It knows nothing of mail and never waits: the handshake and the
// certificate check go one step further at each Connect.
#include <winsock2.h>
#include <windows.h>

#include <wincrypt.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "transport/ByteChannel.h"

class TCertificateCheck;
class TTlsCredentials;
class TTlsSession;

class TTlsChannel : public TByteChannel {
public:
  // `host` is the name the server's certificate must prove; fetching what its check needs from the
  // network takes part of `timeOutMs`.
  TTlsChannel(TByteChannel& lower, std::shared_ptr<TTlsCredentials> credentials, const std::string& host,
              int32_t timeOutMs);
  ~TTlsChannel() override;

  // A status report ("Verifying Certificate").
  std::function<void(const std::string& status)> OnReport;

  // The handshake, TLS 1.2 or newer, then the certificate: true once both are done. ETlsError names
  // what failed; the caller closes the connection then.
  bool Connect() override;
  // Whether the certificate's check (on a thread of its own) is what the opening waits for.
  bool Verifying() const { return Check != nullptr; }
  // Connect could go on: the layer below has input or room for what waits to go, or the
  // certificate's check is done.
  bool CanProceed();

  // Over the plaintext. A record that failed to decrypt raises its ETlsError once the plaintext
  // before it has been read.
  int Receive(char* buffer, int length, bool peek) override;
  // Takes all of `data`, as records handed to Flush.
  int Send(const char* data, int length) override;
  bool Flush() override;
  // Plaintext held, the session's end, a failure kept for the reader, or bytes below.
  bool HasInput() override;
  // Decrypts what has arrived without raising: whether plaintext or a failure is held.
  bool DataWaiting() override;
  void DiscardInput() override;
  // The close_notify alert, as a client sends after the reply to its last command.
  void Close() override;

private:
  // Reads what the handshake has to go on with; false when nothing has arrived yet.
  bool ReceiveHandshake();
  bool Handshake();
  bool Verified();
  // Decrypts unless plaintext, the session's end or a failure is held already.
  void DecryptIfNothingHeld();
  void DecryptArrived();

  TByteChannel& Lower;
  std::unique_ptr<TTlsSession> Session;
  std::string Host;
  int32_t TimeOutMs;
  bool Started = false;
  bool IsOpen = false;
  std::unique_ptr<TCertificateCheck> Check;
  std::string Input;     // received, not yet decrypted
  std::string Plain;     // decrypted, not yet read
  std::string Outgoing;  // records not yet taken by the layer below
  bool Closed = false;
  std::exception_ptr Failure;  // of a record that arrived; raised by the read that reaches it
};
