#include "pop3/SockTransport.h"

#include <cstring>

#include "transport/MessageWait.h"
#include "transport/TlsSession.h"
#include "toolkit/Window.h"

namespace {
// FD_WRITE tells a send that found the socket's buffer full when to go on.
constexpr long NotifiedEvents = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
constexpr const wchar_t* kSocketClass = L"SockWindowClass";
}  // namespace

// The hidden window that the socket's notifications are posted to.
class TSockTransport::TSocketWindow : public TWindow {
public:
  explicit TSocketWindow(TSockTransport& owner) : Owner(owner) {
    RegisterOwnClass(kSocketClass);
    CreateOwn(kSocketClass, WS_EX_TOOLWINDOW, WS_POPUP, {}, RECT{}, nullptr, 0);
  }

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg != SocketMessage) return TWindow::WndProc(msg, wParam, lParam);
    Owner.HandleSocketMessage(wParam, lParam);
    return 0;
  }

private:
  TSockTransport& Owner;
};

TSockTransport::OperationGuard::OperationGuard(TSockTransport& transport) : Transport(transport) {
  if (Transport.Busy) throw ESockError("Another socket operation is already in progress");
  Transport.Busy = true;
}

TSockTransport::OperationGuard::~OperationGuard() { Transport.Busy = false; }

TSockTransport::TSockTransport(TMessagePump& pump) : Pump(pump) {
  ReportStatus(8, "Create");
  Window = std::make_unique<TSocketWindow>(*this);
  TimeoutTimer.OnTimer = [this](TObject*) { TimerFired(); };
  InitWinsock();
}

TSockTransport::~TSockTransport() {
  ComponentDestroying = true;
  try {
    ReportStatus(8, "Destroy");
    Abort();
    Cancel();
    TimeoutTimer.SetEnabled(false);
    Window.reset();
    Destroying = true;
    CloseSocket();
  } catch (...) {
    // Destruction goes on whatever a close reports.
  }
  Winsock.reset();
}

HWND TSockTransport::SocketWindow() const { return Window ? Window->Handle() : nullptr; }

void TSockTransport::ReportStatus(int32_t level, const std::string& text) {
  if (level > ReportLevel) return;
  LastStatusText = text;
  if (ComponentDestroying) return;
  try {
    OnStatus(this, LastStatusText);
  } catch (...) {
    // A status display must never disturb the operation it describes.
  }
}

void TSockTransport::InitWinsock() {
  ReportStatus(8, "Initializing Winsock");
  try {
    Winsock.emplace();
    WinsockLines = Winsock->InfoLines();
    try {
      OpenSocket(IPPROTO_TCP, true);
    } catch (...) {
      Winsock.reset();
      throw;
    }
  } catch (...) {
    throw ESockError("Initializaton of windows sockets failed");
  }
}

void TSockTransport::OpenSocket(int protocol, bool resetOnClose) {
  const SOCKET handle = socket(AF_INET, SOCK_STREAM, protocol);
  if (handle == INVALID_SOCKET) ErrorCheck(WSAEWOULDBLOCK);
  if (handle >= NoSocket) {
    if (handle != INVALID_SOCKET) closesocket(handle);
    throw ERangeError();
  }
  Socket = static_cast<uint16_t>(handle);
  if (resetOnClose) {
    // Closing this socket resets the connection at once instead of lingering.
    const linger option{1, 0};
    setsockopt(handle, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option), sizeof option);
  }
  WSAAsyncSelect(handle, SocketWindow(), SocketMessage, NotifiedEvents);
}

void TSockTransport::CloseSocket() {
  ReportStatus(4, "Request Close Socket");
  IsConnected = false;
  Tls.reset();
  if (Socket == NoSocket) return;
  if (closesocket(Socket) != 0) {
    ErrorCheck(WSAEWOULDBLOCK);
    return;
  }
  Socket = NoSocket;
  DiscardSocketNotifications();
  // The fresh socket comes first, so a failing OnDisconnect still leaves the instance usable.
  if (!Destroying) OpenSocket(0, false);
  if (!ComponentDestroying) OnDisconnect(this);
}

void TSockTransport::WithdrawAttempt() {
  if (Socket != NoSocket) closesocket(Socket);
  Socket = NoSocket;
  DiscardSocketNotifications();
  OpenSocket(0, false);
}

void TSockTransport::DiscardSocketNotifications() {
  // The system reuses socket handles at once, so a notification still queued for the closed socket
  // would carry the handle of the next one; none can be posted for it after the close.
  MSG msg;
  while (SocketWindow() && PeekMessageW(&msg, SocketWindow(), SocketMessage, SocketMessage, PM_REMOVE)) {
  }
}

void TSockTransport::ErrorCheck(int32_t ignored) {
  const int32_t err = WSAGetLastError();
  LastErrorCode = err;
  if (err != ignored && err > 10000) RaiseSockError(err);
}

void TSockTransport::RaiseSockError(int32_t code) {
  if (code > 65535) throw ERangeError();
  const std::string text = ErrorText(code);
  OnError(this, static_cast<uint16_t>(code), text);
  throw ESockError(text);
}

std::string TSockTransport::ErrorText(int32_t code) {
  ReportStatus(8, "Looking Up Error Message");
  return SockErrorText(code);
}

void TSockTransport::TimerOn() {
  ReportStatus(8, "Timer On");
  TimedOut = false;
  if (TimeOut < 0) throw ERangeError();
  TimeoutTimer.SetInterval(static_cast<uint32_t>(TimeOut));
  TimeoutTimer.SetEnabled(true);
}

void TSockTransport::TimerOff() {
  ReportStatus(8, "Timer Off");
  TimeoutTimer.SetEnabled(false);
}

// Whether what the current wait waits for has come: a WaitUntil says so itself; any other wait is
// a read, which has its answer once bytes or the close wait on the socket or in the TLS channel.
bool TSockTransport::AwaitedHasArrived() {
  if (Awaited) return Awaited();
  return (Tls && Tls->HasInput()) || recv(Socket, &PeekScratch, 1, MSG_PEEK) >= 0;
}

void TSockTransport::TimerFired() {
  ReportStatus(8, "Timer Triggered");
  // The time-out measures the server's silence, not the user's: a wait held up by a modal loop
  // inside it (a dialog opened meanwhile) after its answer came goes on when that loop ends.
  if (AwaitedHasArrived()) return;
  TimerOff();
  TimedOut = true;
  Abort();
}

bool TSockTransport::ResolveHost() {
  ReportStatus(8, "Resolve Host");
  if (Host.size() >= TransferBufferSize) throw ERangeError();
  // An empty text is no address at all; it is never handed to the resolver, which would answer it
  // with this machine's own name. A text with a NUL ends there, as the system reads it.
  const std::string name = Host.substr(0, Host.find('\0'));
  Remote.sin_addr.s_addr = name.empty() ? 0 : inet_addr(name.c_str());
  if (Remote.sin_addr.s_addr != INADDR_NONE) return Remote.sin_addr.s_addr != 0;
  Remote.sin_addr.s_addr = 0;
  TimerOn();
  TimerOffGuard timerOff(*this);
  const bool started = Lookup.Start(name);
  if (started) WaitUntil([this] { return Lookup.Done() || TimedOut || Canceled; });
  if (!Lookup.Done()) Lookup.Abandon();
  if (TimedOut) throw ESockError("Host Lookup Timed Out");
  if (Canceled) throw ESockError("Host Lookup Canceled");
  if (Lookup.Address() == 0) return false;
  Remote.sin_addr.s_addr = Lookup.Address();
  OnHostResolved(this);
  return true;
}

void TSockTransport::Connect() {
  OperationGuard guard(*this);
  DoConnect();
}

void TSockTransport::DoConnect() {
  ReportStatus(8, "Connecting");
  Canceled = false;
  if (IsConnected) throw ESockError("Already connected");
  for (int attempts = 0; !ResolveHost(); ++attempts) {
    if (attempts > 0 || !OnInvalidHost) throw ESockError("Null Remote Address");
    bool handled = false;
    OnInvalidHost(this, handled);
    if (!handled) throw ESockError("Null Remote Address");
  }
  Remote.sin_family = AF_INET;
  Remote.sin_port = htons(static_cast<u_short>(Port & 0xFFFF));
  Succeeded = true;
  ConnectionMade = false;
  if (connect(Socket, reinterpret_cast<const sockaddr*>(&Remote), sizeof Remote) != 0) ErrorCheck(WSAEWOULDBLOCK);
  {
    TimerOn();
    TimerOffGuard timerOff(*this);
    // Not Connected: a server that accepts and closes at once may have its close handled in the same
    // pass as the connection, and the wait would then run on to the time-out. The first read meets
    // the closed connection instead.
    WaitUntil([this] { return ConnectionMade || TimedOut || Canceled || !Succeeded; });
  }
  if (ConnectionMade && !TimedOut && !Canceled) return;
  // A pending or failed attempt must not complete later and make the next Connect find the socket
  // busy or connected to the wrong server.
  WithdrawAttempt();
  OnConnectionFailed(this);
  if (TimedOut) throw ESockError("Connection Timed out");
  if (Canceled) throw ESockError("Connection Canceled");
  throw ESockError("Connection Failed");
}

void TSockTransport::Disconnect() {
  OperationGuard guard(*this);
  DoDisconnect();
}

void TSockTransport::DoDisconnect() {
  ReportStatus(8, "Disconnecting");
  CloseSocket();
}

void TSockTransport::Cancel() {
  ReportStatus(8, "Canceling");
  Canceled = true;
}

void TSockTransport::Abort() {
  ReportStatus(8, "Abort");
  Cancel();
}

void TSockTransport::HandleSocketMessage(WPARAM socket, LPARAM event) {
  // A notification about a socket closed since (queued before its close) must not touch the flags of
  // the current one.
  if (Socket == NoSocket || socket != Socket) return;
  Succeeded = HIWORD(event) == 0;
  switch (LOWORD(event)) {
    case FD_READ:
      OnDataArrival(this);
      break;
    case FD_ACCEPT:
      IsConnected = true;
      OnAccept(this);
      break;
    case FD_WRITE:
      Writable = true;
      break;
    case FD_CONNECT:
      if (Succeeded) {
        IsConnected = true;
        ConnectionMade = true;
        OnConnect(this);
      }
      break;
    case FD_CLOSE:
      // Bytes still waiting are read first; the reader meets the close as a zero-length peek.
      if (!DataAvailable()) CloseSocket();
      break;
    default:
      break;
  }
}
