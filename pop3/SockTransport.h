#pragma once
// A TCP client connection with blocking-style line operations for the GUI thread: the line transport
// that POP3 (and any other command-and-reply protocol) stands on. It stacks the connection's layers
// (the socket, then TLS once SecureConnection has succeeded), reads and sends through the line layer
// on top of them, and every wait is the one wait, which dispatches the thread's messages and is
// bounded by TimeOut.
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/portable/Event.h"
#include "toolkit/portable/MessagePump.h"
#include "toolkit/portable/Object.h"
#include "toolkit/Timer.h"
#include "transport/HostLookup.h"
#include "transport/Lines.h"
#include "transport/portable/SockErrors.h"
#include "transport/SocketChannel.h"
#include "transport/TlsChannel.h"
#include "transport/Wait.h"
#include "transport/Winsock.h"

class TTlsCredentials;

class TSockTransport : public TObject {
public:
  static constexpr UINT SocketMessage = TSocketChannel::SocketMessage;
  static constexpr UINT LookupMessage = THostLookup::LookupMessage;
  static constexpr uint16_t NoSocket = TSocketChannel::NoSocket;
  static constexpr int TransferBufferSize = static_cast<int>(TLines::BufferSize);

  // Every wait lets the thread's messages through `pump`.
  explicit TSockTransport(TMessagePump& pump);
  virtual ~TSockTransport();

  // Published properties: plain stores.
  std::string Host;         // dotted IPv4 address or host name
  int32_t Port = 0;         // low 16 bits are used
  int32_t TimeOut = 0;      // bound of each single wait in ms; 0 waits without bound
  int32_t ReportLevel = 0;  // status reports of at most this level are delivered
  Event<TObject*, const std::string&> OnStatus;
  Event<TObject*> OnConnect;
  Event<TObject*> OnDisconnect;
  Event<TObject*, bool&> OnInvalidHost;  // may change Host and set Handled for one more try
  Event<TObject*> OnHostResolved;
  Event<TObject*> OnConnectionFailed;
  // Hooks for data arrival, an accepted connection and a failed call (error code and its text).
  Event<TObject*> OnDataArrival;
  Event<TObject*> OnAccept;
  Event<TObject*, uint16_t, const std::string&> OnError;

  // Every operation below raises on failure. Connect, Disconnect, Write, Writeln, ReadLn and
  // Transaction refuse to start while another of them is in progress on this instance (called from
  // a handler that runs inside its wait), so they never share flags, buffers or the timer.
  void Connect();
  void Disconnect();
  virtual void Abort();
  void Cancel();
  void Write(const std::string& text);
  void Writeln(const std::string& text);
  // Sends length bytes of data; a length of 0 sends up to the first NUL.
  void SendBuffer(const char* data, uint16_t length);
  // One line with its LF (and any CR before it); nothing behind the LF is taken from the socket.
  // An orderly close by the peer before the LF gives an empty line.
  void ReadLn(std::string& line);
  // Sends command with CR LF and reads one reply line into reply (also kept in LastReply).
  void Transaction(const std::string& command, std::string& reply);
  // The listening side, which this client never uses.
  SOCKET Accept();

  bool Connected() const { return Socket.Connected(); }
  const std::string& LastReply() const { return LastReplyLine; }
  int16_t ReplyCode() const { return LastReplyCode; }
  int32_t LastError() const { return LastErrorCode; }
  const std::string& LastStatus() const { return LastStatusText; }
  uint16_t SocketHandle() const { return Socket.Handle(); }
  HWND SocketWindow() const { return Socket.Window(); }
  HWND LookupWindow() const { return Lookup.Window(); }
  const TTimer& Timer() const { return Waiting.Timer(); }
  const std::vector<std::string>& WinsockInfo() const { return WinsockLines; }
  const sockaddr_in& RemoteAddress() const { return Remote; }
  // "10061:Connection refused", after a status report.
  std::string ErrorText(int32_t code);

protected:
  // The unguarded operations; a subclass calls these from inside its own operations.
  virtual void DoConnect();
  virtual void DoDisconnect();
  virtual void DoTransaction(const std::string& command, std::string& reply);
  void DoWrite(const std::string& text);
  void DoWriteln(const std::string& text);
  void DoReadLn(std::string& line);
  // The line layer over the connection, for the protocol sessions.
  TLines& Lines() { return LineLayer; }
  void ClearInput();
  bool DataAvailable();
  // Makes the connection TLS: handshake (bounded by TimeOut) and the server's certificate checked
  // against Host. On failure the connection is closed, without a further word in clear, and
  // ETlsError names the reason.
  void SecureConnection();
  // Ends a secure session with its close_notify alert, as a client does after the reply to its last
  // command; the connection stays for the caller to close.
  void EndSecureSession();
  // TLS is up on the connection.
  bool Secure() const { return Tls != nullptr; }
  void ReportStatus(int32_t level, const std::string& text);
  // Set by the most derived destructor first, so no event fires during destruction.
  bool ComponentDestroying = false;

  // Marks an operation in progress for its lifetime; refuses a second one.
  class OperationGuard {
  public:
    explicit OperationGuard(TSockTransport& transport);
    ~OperationGuard();
    OperationGuard(const OperationGuard&) = delete;
    OperationGuard& operator=(const OperationGuard&) = delete;

  private:
    TSockTransport& Transport;
  };

private:
  // How the current Connect's attempt stands: made stays made even if the connection closed since.
  enum class TAttempt { None, Pending, Made, Failed };

  void HandleNotice(long event, bool ok);
  void InitWinsock();
  void OpenSocket(int protocol, bool resetOnClose);
  void CloseSocket();
  // After a failed connection attempt, a fresh socket so the attempt can never complete later.
  void WithdrawAttempt();
  // Whether an address was found; a time-out or a cancel raises.
  bool ResolveHost();
  void ErrorCheck(int32_t ignored);
  [[noreturn]] void RaiseSockError(int32_t code);
  // The connection's top layer: TLS once it is up, the socket before.
  TByteChannel& Top();

  TMessagePump& Pump;
  char TransferBuffer[TransferBufferSize];
  std::vector<std::string> WinsockLines;
  bool Destroying = false;
  bool Busy = false;
  int32_t LastErrorCode = 0;
  std::string LastStatusText;
  TWait Waiting{Pump, TimeOut};
  TAttempt Attempt = TAttempt::None;
  std::optional<TWinsockUse> Winsock;
  sockaddr_in Remote{};
  THostLookup Lookup;
  std::string LastReplyLine;
  int16_t LastReplyCode = 0;
  TSocketChannel Socket;
  TLines LineLayer{Waiting, Socket, TransferBuffer};
  // Made at the first secure connection and kept, so that Schannel can resume sessions.
  std::shared_ptr<TTlsCredentials> TlsCredentials;
  std::unique_ptr<TTlsChannel> Tls;
};
