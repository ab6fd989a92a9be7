#pragma once
// A TCP client socket with blocking-style operations for the GUI thread. The socket runs in the
// asynchronous mode of Windows Sockets 1.1: socket events and name-lookup completions arrive as
// messages to a hidden window, and every wait dispatches the thread's messages until a flag
// changes, bounded by TimeOut through a TThreadTimer.
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pop3/ThreadTimer.h"
#include "pop3/Winsock.h"
#include "toolkit/Event.h"
#include "toolkit/Exception.h"
#include "toolkit/Handles.h"
#include "toolkit/MessagePump.h"
#include "toolkit/Object.h"

class ESockError : public Exception {
public:
  using Exception::Exception;
};

class EAbortError : public ESockError {
public:
  using ESockError::ESockError;
};

// A secure connection failed; the message is the reason as the user reads it.
class ETlsError : public ESockError {
public:
  using ESockError::ESockError;
};

class TTlsSession;

class TSockTransport : public TObject {
public:
  static constexpr UINT SocketMessage = WM_USER + 101;  // wParam the socket, lParam event and error
  static constexpr UINT LookupMessage = WM_USER + 102;  // wParam the lookup's task, lParam the error
  static constexpr uint16_t NoSocket = 65535;
  static constexpr int TransferBufferSize = 65536;

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
  SOCKET Accept();

  bool Connected() const { return IsConnected; }
  const std::string& LastReply() const { return LastReplyLine; }
  int16_t ReplyCode() const { return LastReplyCode; }
  int32_t LastError() const { return LastErrorCode; }
  const std::string& LastStatus() const { return LastStatusText; }
  uint16_t SocketHandle() const { return Socket; }
  HWND SocketWindow() const { return Window.Get(); }
  const std::vector<std::string>& WinsockInfo() const { return WinsockLines; }
  const sockaddr_in& RemoteAddress() const { return Remote; }
  const TThreadTimer& Timer() const { return *TimeoutTimer; }
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
  void ClearInput();
  bool DataAvailable();
  // Makes the connection TLS: handshake (bounded by TimeOut) and the server's certificate checked
  // against Host. On failure the connection is closed, without a further word in clear, and
  // ETlsError names the reason.
  void SecureConnection();
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
  struct PendingLookup;
  struct Orphan;
  class TimerOffGuard;

  // Socket windows of destroyed transports whose lookups are still running; each such window is
  // destroyed when its last lookup has reported back.
  using LookupsByWindow = std::map<HWND, Orphan>;
  static LookupsByWindow& OrphanLookups();

  static LRESULT CALLBACK SocketWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  static void HandleOrphanMessage(HWND window, UINT msg, WPARAM wParam);
  void HandleSocketMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void HandleLookupDone(WPARAM task, bool succeeded);

  void InitWinsock();
  void OpenSocket(int protocol, bool resetOnClose);
  void CloseSocket();
  // After a failed connection attempt, a fresh socket so the attempt can never complete later.
  void WithdrawAttempt();
  void DiscardSocketNotifications();
  void ResolveHost();
  // recv and send, through TLS once SecureConnection succeeded.
  int ReceiveBytes(char* buffer, int length, int flags);
  int SendBytes(const char* data, int length);
  void DecryptArrived();
  void Handshake(TTlsSession& session, std::string& input);
  // Raises ETlsError with the reason when the check fails; bounded by TimeOut.
  void VerifyServerCertificate(PCCERT_CONTEXT certificate);
  // Sends all bytes, waiting for room in the socket's buffer without dispatching messages.
  void SendAll(const std::string& bytes);
  void ErrorCheck(int32_t ignored);
  [[noreturn]] void RaiseSockError(int32_t code);
  void TimerOn();
  void TimerOff();
  void TimerFired();
  // Dispatches pending messages and sleeps while there are none, until done() holds.
  template <typename Condition>
  void WaitUntil(Condition done);

  TMessagePump& Pump;
  char TransferBuffer[TransferBufferSize];
  char PeekScratch = 0;
  std::vector<std::string> WinsockLines;
  bool Canceled = false;
  bool Destroying = false;
  bool Busy = false;
  int32_t LastErrorCode = 0;
  std::string LastStatusText;
  std::unique_ptr<TThreadTimer> TimeoutTimer;
  bool Succeeded = false;
  bool TimedOut = false;
  bool LookupDone = false;
  // The current Connect's attempt succeeded, even if the connection was closed since.
  bool ConnectionMade = false;
  // FD_WRITE came since the last send attempt.
  bool Writable = false;
  std::optional<TWinsockUse> Winsock;
  sockaddr_in Remote{};
  // Lookups that the system has not completed yet; each owns the buffer the system writes into.
  std::vector<std::unique_ptr<PendingLookup>> Lookups;
  HANDLE CurrentLookup = nullptr;
  uint32_t LookupAddress = 0;
  std::string LastReplyLine;
  int16_t LastReplyCode = 0;
  uint16_t Socket = NoSocket;
  TOwnedWindow Window;
  bool IsConnected = false;
  std::unique_ptr<TTlsSession> Tls;
  std::string TlsInput;  // received, not yet decrypted
  std::string TlsPlain;  // decrypted, not yet read
  bool TlsClosed = false;
};
