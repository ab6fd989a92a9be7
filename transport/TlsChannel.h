#pragma once
// The TLS layer of a connection: the handshake, the server's certificate checked against the host,
// records encrypted on the way out and decrypted on the way in, and close_notify at the end. It knows
// nothing of mail; the connection under it moves the bytes and does the waiting.
#include <winsock2.h>
#include <windows.h>

#include <wincrypt.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

class TTlsCredentials;
class TTlsSession;

class TTlsChannel {
public:
  // What the channel needs of the connection under it.
  class TLink {
  public:
    // recv on the socket, without waiting.
    virtual int Receive(char* buffer, int length) = 0;
    // Raises the socket's last error unless it only means that nothing has arrived yet.
    virtual void CheckReceiveError() = 0;
    // Sends every byte, waiting for room within the time-out.
    virtual void SendAll(const std::string& bytes) = 0;
    // Returns when something may have arrived, dispatching messages meanwhile; raises EAbortError
    // when the operation was cancelled.
    virtual void AwaitInput() = 0;
    // Dispatches messages until ready() holds; raises EAbortError ("`what` timed out" or "`what`
    // aborted") when the time-out or the program ended the wait first, even if ready() holds by the
    // time the wait looks again.
    virtual void WaitUntilReady(const std::function<bool()>& ready, const std::string& what) = 0;
    // A status report of the connection.
    virtual void Report(const std::string& status) = 0;

  protected:
    ~TLink() = default;
  };

  // `host` is the name the server's certificate must prove; fetching what its check needs from the
  // network takes part of `timeOutMs`.
  TTlsChannel(TLink& link, std::shared_ptr<TTlsCredentials> credentials, const std::string& host, int32_t timeOutMs);
  ~TTlsChannel();
  TTlsChannel(const TTlsChannel&) = delete;
  TTlsChannel& operator=(const TTlsChannel&) = delete;

  // The handshake, TLS 1.2 or newer, and the certificate. ETlsError names what failed; the caller
  // closes the connection then.
  void Open();
  // recv's contract over the plaintext: the bytes taken (left in place with `peek`), 0 once the
  // server has closed the session, or SOCKET_ERROR with WSAGetLastError set when none are there yet.
  // A record that failed to decrypt raises its ETlsError once the plaintext before it has been read.
  int Receive(char* buffer, int length, bool peek);
  // Decrypts what has arrived without raising, as the socket's close notice needs inside a window
  // procedure: whether plaintext is held, or a failure that the next Receive raises.
  bool Arrived();
  // All of `data`, as records.
  int Send(const char* data, int length);
  // The close_notify alert, as a client sends after the reply to its last command.
  void Close();
  void DiscardInput();
  // Whether a read would take something without waiting: plaintext held, the session's end, or a
  // failure kept for the reader.
  bool HasInput() const { return !Plain.empty() || Closed || Failure; }

private:
  class HandshakeStream;
  void Verify(PCCERT_CONTEXT certificate);
  // Decrypts unless plaintext, the session's end or a failure is held already.
  void DecryptIfNothingHeld();
  void DecryptArrived();

  TLink& Link;
  std::unique_ptr<TTlsSession> Session;
  std::string Host;
  int32_t TimeOutMs;
  std::string Input;  // received, not yet decrypted
  std::string Plain;  // decrypted, not yet read
  bool Closed = false;
  std::exception_ptr Failure;  // of a record that arrived; raised by the read that reaches it
};
