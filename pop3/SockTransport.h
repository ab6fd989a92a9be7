#pragma once
// A TCP client connection with blocking-style line operations for the GUI thread: the line transport
// that POP3 (and any other command-and-reply protocol) stands on. The socket runs in the asynchronous
// mode of Windows Sockets 1.1: its events arrive as messages to a hidden window, and every wait
// dispatches the thread's messages until a flag changes, bounded by TimeOut. Under the lines the
// bytes go plain, or through a TLS channel once SecureConnection has succeeded.
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "transport/HostLookup.h"
#include "transport/MessageWait.h"
#include "transport/portable/SockErrors.h"
#include "transport/TlsChannel.h"
#include "transport/Winsock.h"
#include "toolkit/portable/Event.h"
#include "toolkit/portable/MessagePump.h"
#include "toolkit/portable/Object.h"
#include "toolkit/Timer.h"

class TTlsCredentials;

class TSockTransport : public TObject, private TTlsChannel::TLink {
public:
  static constexpr UINT SocketMessage = WM_USER + 101;  // wParam the socket, lParam event and error
  static constexpr UINT LookupMessage = THostLookup::LookupMessage;
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
  // The listening side, which this client never uses.
  SOCKET Accept();

  bool Connected() const { return IsConnected; }
  const std::string& LastReply() const { return LastReplyLine; }
  int16_t ReplyCode() const { return LastReplyCode; }
  int32_t LastError() const { return LastErrorCode; }
  const std::string& LastStatus() const { return LastStatusText; }
  uint16_t SocketHandle() const { return Socket; }
  HWND SocketWindow() const;
  HWND LookupWindow() const { return Lookup.Window(); }
  const TTimer& Timer() const { return TimeoutTimer; }
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
  // The lines of a multi-line reply, each with its LF, handed to `take` until it says the reply has
  // ended; an orderly close by the peer hands an empty line. Lines that arrived together are taken
  // together, and the time-out measures the silence between arrivals, not the whole reply. Nothing
  // behind the line that ended the reply is taken from the socket. A line of maxLine bytes or more
  // raises ERangeError.
  void DoReadLines(const std::function<bool(const std::string& line)>& take,
                   std::size_t maxLine = TransferBufferSize);
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
  class TSocketWindow;

  // Turns the time-out timer off when a wait ends, however it ends.
  class TimerOffGuard {
  public:
    explicit TimerOffGuard(TSockTransport& transport) : Transport(transport) {}
    ~TimerOffGuard() { Transport.TimerOff(); }
    TimerOffGuard(const TimerOffGuard&) = delete;
    TimerOffGuard& operator=(const TimerOffGuard&) = delete;

  private:
    TSockTransport& Transport;
  };

  void HandleSocketMessage(WPARAM socket, LPARAM event);
  void InitWinsock();
  void OpenSocket(int protocol, bool resetOnClose);
  void CloseSocket();
  // After a failed connection attempt, a fresh socket so the attempt can never complete later.
  void WithdrawAttempt();
  void DiscardSocketNotifications();
  // Whether an address was found; a time-out or a cancel raises.
  bool ResolveHost();
  // recv and send, through TLS once SecureConnection succeeded.
  int ReceiveBytes(char* buffer, int length, int flags);
  // Receives the `count` bytes a peek has shown to be there; fewer only when the peer closed.
  std::size_t TakeBytes(char* into, std::size_t count);
  int SendBytes(const char* data, int length);
  // Sends all bytes, waiting for room in the socket's buffer.
  void SendAll(const std::string& bytes) override;
  int Receive(char* buffer, int length) override;
  void CheckReceiveError() override;
  void AwaitInput() override;
  void WaitUntilReady(const std::function<bool()>& ready, const std::string& what) override;
  void Report(const std::string& status) override;
  void ErrorCheck(int32_t ignored);
  [[noreturn]] void RaiseSockError(int32_t code);
  void TimerOn();
  void TimerOff();
  void TimerFired();
  bool AwaitedHasArrived();
  // Dispatches pending messages and sleeps while there are none, until done() holds.
  template <typename Condition>
  void WaitUntil(Condition done) {
    // The time-out asks this wait's condition; a wait nested in it (a send inside a read) hands it back.
    struct Restore {
      std::function<bool()>& Slot;
      std::function<bool()> Outer;
      ~Restore() { Slot = std::move(Outer); }
    } restore{Awaited, std::exchange(Awaited, std::function<bool()>(done))};
    for (;;) {
      Pump.ProcessMessages();
      if (done()) return;
      WaitForMessage();
    }
  }

  TMessagePump& Pump;
  char TransferBuffer[TransferBufferSize];
  char PeekScratch = 0;
  std::vector<std::string> WinsockLines;
  bool Canceled = false;
  bool Destroying = false;
  bool Busy = false;
  int32_t LastErrorCode = 0;
  std::string LastStatusText;
  TTimer TimeoutTimer{0, false};
  bool Succeeded = false;
  bool TimedOut = false;
  // The condition of the WaitUntil in progress; empty otherwise.
  std::function<bool()> Awaited;
  // The current Connect's attempt succeeded, even if the connection was closed since.
  bool ConnectionMade = false;
  // FD_WRITE came since the last send attempt.
  bool Writable = false;
  std::optional<TWinsockUse> Winsock;
  sockaddr_in Remote{};
  THostLookup Lookup;
  std::string LastReplyLine;
  int16_t LastReplyCode = 0;
  uint16_t Socket = NoSocket;
  std::unique_ptr<TSocketWindow> Window;
  bool IsConnected = false;
  // Made at the first secure connection and kept, so that Schannel can resume sessions.
  std::shared_ptr<TTlsCredentials> TlsCredentials;
  std::unique_ptr<TTlsChannel> Tls;
};
