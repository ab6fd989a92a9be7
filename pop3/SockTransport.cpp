#include "pop3/SockTransport.h"

#include <algorithm>
#include <cstring>

#include "pop3/HiddenWindow.h"
#include "pop3/MessageWait.h"
#include "pop3/CertificateCheck.h"
#include "pop3/CertificateRules.h"
#include "pop3/SockErrors.h"
#include "pop3/TlsSession.h"
#include "toolkit/Text.h"

namespace {
// FD_WRITE tells a send that found the socket's buffer full when to go on.
constexpr long NotifiedEvents = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
}  // namespace

// One name lookup: the system writes its host entry into Buffer at any time until it posts the
// completion, so the record lives until then, even past the wait or the transport that started it.
struct TSockTransport::PendingLookup {
  HANDLE Task = nullptr;
  std::string Name;
  alignas(8) char Buffer[MAXGETHOSTSTRUCT];
};

// A socket window that outlives its transport, with the lookups the system still writes into.
struct TSockTransport::Orphan {
  TOwnedWindow Window;
  std::vector<std::unique_ptr<PendingLookup>> Lookups;
};

class TSockTransport::TimerOffGuard {
public:
  explicit TimerOffGuard(TSockTransport& transport) : Transport(transport) {}
  ~TimerOffGuard() {
    try {
      Transport.TimerOff();
    } catch (...) {
      // Turning a timer off cannot fail; a status handler's error is already swallowed.
    }
  }
  TimerOffGuard(const TimerOffGuard&) = delete;
  TimerOffGuard& operator=(const TimerOffGuard&) = delete;

private:
  TSockTransport& Transport;
};

TSockTransport::OperationGuard::OperationGuard(TSockTransport& transport) : Transport(transport) {
  if (Transport.Busy) throw ESockError("Another socket operation is already in progress");
  Transport.Busy = true;
}

TSockTransport::OperationGuard::~OperationGuard() { Transport.Busy = false; }

TSockTransport::TSockTransport(TMessagePump& pump) : Pump(pump) {
  ReportStatus(8, "Create");
  Window = CreateHiddenWindow(L"SockWindowClass", SocketWindowProc, this);
  TimeoutTimer = std::make_unique<TThreadTimer>();
  TimeoutTimer->SetEnabled(false);
  TimeoutTimer->SetOnTimer([this](TObject*) { TimerFired(); });
  InitWinsock();
}

TSockTransport::~TSockTransport() {
  ComponentDestroying = true;
  try {
    ReportStatus(8, "Destroy");
    Abort();
    Cancel();
    TimeoutTimer.reset();
    if (Window.Get() && !Lookups.empty()) {
      UnbindHiddenWindow(Window.Get());
      const HWND window = Window.Get();
      OrphanLookups()[window] = Orphan{std::move(Window), std::move(Lookups)};
    } else {
      Window.Reset();
    }
    Destroying = true;
    CloseSocket();
  } catch (...) {
    // Destruction goes on whatever a close reports.
  }
  Winsock.reset();
}

TSockTransport::LookupsByWindow& TSockTransport::OrphanLookups() {
  static LookupsByWindow orphans;
  return orphans;
}

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
    if (Winsock->Started()) {
      const WSADATA& StartupData = Winsock->StartupData();
      auto version = [](WORD v) { return std::to_string(HIBYTE(v)) + "." + std::to_string(LOBYTE(v)); };
      WinsockLines.push_back("Version= " + version(StartupData.wVersion));
      WinsockLines.push_back("High Version= " + version(StartupData.wHighVersion));
      WinsockLines.push_back(std::string("Description= ") + StartupData.szDescription);
      WinsockLines.push_back(std::string("System= ") + StartupData.szSystemStatus);
      WinsockLines.push_back("Max Sockets= " + std::to_string(StartupData.iMaxSockets));
      WinsockLines.push_back("Max Udp pack size= " + std::to_string(StartupData.iMaxUdpDg));
    }
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
  WSAAsyncSelect(handle, Window.Get(), SocketMessage, NotifiedEvents);
}

void TSockTransport::CloseSocket() {
  ReportStatus(4, "Request Close Socket");
  IsConnected = false;
  Tls.reset();
  TlsInput.clear();
  TlsPlain.clear();
  TlsClosed = false;
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
  while (Window.Get() && PeekMessageW(&msg, Window.Get(), SocketMessage, SocketMessage, PM_REMOVE)) {
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
  TimeoutTimer->SetInterval(static_cast<uint32_t>(TimeOut));
  TimeoutTimer->SetEnabled(true);
}

void TSockTransport::TimerOff() {
  ReportStatus(8, "Timer Off");
  TimeoutTimer->SetEnabled(false);
}

void TSockTransport::TimerFired() {
  ReportStatus(8, "Timer Triggered");
  TimerOff();
  TimedOut = true;
  LookupDone = true;
  Abort();
}

template <typename Condition>
void TSockTransport::WaitUntil(Condition done) {
  for (;;) {
    Pump.ProcessMessages();
    if (done()) return;
    WaitForMessage();
  }
}

void TSockTransport::ResolveHost() {
  ReportStatus(8, "Resolve Host");
  if (Host.size() >= TransferBufferSize) throw ERangeError();
  std::memcpy(TransferBuffer, Host.data(), Host.size());
  TransferBuffer[Host.size()] = '\0';
  // An empty text is no address at all; it is never handed to the resolver, which would answer it
  // with this machine's own name.
  Remote.sin_addr.s_addr = TransferBuffer[0] ? inet_addr(TransferBuffer) : 0;
  if (Remote.sin_addr.s_addr != INADDR_NONE) return;
  Remote.sin_addr.s_addr = 0;
  TimerOn();
  TimerOffGuard timerOff(*this);
  LookupDone = false;
  auto lookup = std::make_unique<PendingLookup>();
  lookup->Name = TransferBuffer;
  lookup->Task = WSAAsyncGetHostByName(Window.Get(), LookupMessage, lookup->Name.c_str(), lookup->Buffer,
                                       sizeof lookup->Buffer);
  if (lookup->Task) {
    CurrentLookup = lookup->Task;
    Lookups.push_back(std::move(lookup));
  } else {
    Succeeded = false;
    LookupDone = true;
  }
  WaitUntil([this] { return LookupDone || TimedOut || Canceled; });
  CurrentLookup = nullptr;
  if (TimedOut) throw ESockError("Host Lookup Timed Out");
  if (Canceled) throw ESockError("Host Lookup Canceled");
  if (!Succeeded) throw ESockError("Host Lookup Failed");
  Remote.sin_addr.s_addr = LookupAddress;
  OnHostResolved(this);
}

void TSockTransport::Connect() {
  OperationGuard guard(*this);
  DoConnect();
}

void TSockTransport::DoConnect() {
  ReportStatus(8, "Connecting");
  Canceled = false;
  if (IsConnected) throw ESockError("Already connected");
  for (int attempts = 0;; ++attempts) {
    try {
      ResolveHost();
    } catch (const ESockError& e) {
      if (e.message() == "Host Lookup Timed Out" || e.message() == "Host Lookup Canceled") throw;
      Remote.sin_addr.s_addr = 0;
    }
    if (Remote.sin_addr.s_addr != 0) break;
    if (attempts > 0 || !OnInvalidHost) throw ESockError("Null Remote Address");
    bool handled = false;
    OnInvalidHost(this, handled);
    if (!handled) throw ESockError("Null Remote Address");
  }
  Remote.sin_family = AF_INET;
  Remote.sin_port = htons(static_cast<u_short>(Port & 0xFFFF));
  LookupDone = false;
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

void TSockTransport::SendBuffer(const char* data, uint16_t length) {
  ReportStatus(4, "Sending Buffer");
  TimerOn();
  TimerOffGuard timerOff(*this);
  if (!Canceled) {
    std::size_t total = length;
    if (total == 0) {
      total = strnlen(data, 65536);
      if (total > 65535) throw ERangeError();
    }
    std::size_t remaining = total;
    // Sends without dispatching messages while the socket takes the bytes, so nothing can run in the
    // middle of a command; only a full buffer waits, for FD_WRITE, within the time-out.
    do {
      Writable = false;
      const int n = SendBytes(data + (total - remaining), static_cast<int>(remaining));
      if (n == 0) break;
      if (n > 0) {
        remaining -= static_cast<std::size_t>(n);
        continue;
      }
      ErrorCheck(WSAEWOULDBLOCK);
      WaitUntil([this] { return Writable || TimedOut || Canceled || !IsConnected; });
    } while (remaining > 0 && !Canceled);
  }
  if (Canceled) {
    Canceled = false;
    throw EAbortError("Socket send aborted");
  }
}

void TSockTransport::Write(const std::string& text) {
  OperationGuard guard(*this);
  DoWrite(text);
}

void TSockTransport::DoWrite(const std::string& text) {
  ReportStatus(8, "Write");
  if (text.size() >= TransferBufferSize) throw ERangeError();
  std::memcpy(TransferBuffer, text.data(), text.size());
  TransferBuffer[text.size()] = '\0';
  SendBuffer(TransferBuffer, 0);
}

void TSockTransport::Writeln(const std::string& text) {
  OperationGuard guard(*this);
  DoWriteln(text);
}

void TSockTransport::DoWriteln(const std::string& text) {
  ReportStatus(8, "Writeln");
  DoWrite(text + "\r\n");
}

void TSockTransport::ReadLn(std::string& line) {
  OperationGuard guard(*this);
  DoReadLn(line);
}

void TSockTransport::DoReadLn(std::string& line) {
  ReportStatus(8, "ReadLn");
  TimerOn();
  TimerOffGuard timerOff(*this);
  line.clear();
  // TransferBuffer[0, taken) holds a copy of the bytes already moved into line; each peek lands
  // right behind them.
  std::size_t taken = 0;
  std::size_t lineEnd = 0;
  bool notConnected = false;
  for (;;) {
    if (taken >= TransferBufferSize) throw ERangeError();
    const int n = ReceiveBytes(TransferBuffer + taken, static_cast<int>(TransferBufferSize - taken), MSG_PEEK);
    if (n == 0) {
      line.clear();
      return;
    }
    bool nothingYet = false;
    if (n > 0) {
      char* const end = TransferBuffer + taken + n;
      const char* lf = std::find(TransferBuffer + taken, end, '\n');
      if (lf != end) {
        lineEnd = static_cast<std::size_t>(lf - TransferBuffer);
        break;
      }
      line.resize(taken + static_cast<std::size_t>(n));
      const int got = ReceiveBytes(line.data() + taken, n, 0);
      if (got < 0) ErrorCheck(WSAEWOULDBLOCK);
      taken += static_cast<std::size_t>(std::max(got, 0));
      line.resize(taken);
    } else {
      LastErrorCode = WSAGetLastError();
      if (LastErrorCode == WSAENOTCONN) {
        notConnected = true;
        break;
      }
      ErrorCheck(WSAEWOULDBLOCK);
      nothingYet = true;
    }
    // Sleep only when nothing has arrived; every notification or timer tick wakes the wait.
    if (nothingYet) WaitForMessage();
    Pump.ProcessMessages();
    if (Canceled) break;
  }
  if (Canceled) {
    Canceled = false;
    throw EAbortError("Socket readln aborted");
  }
  // A socket that is no longer connected (closed while this read waited) fails the read instead of
  // looking like an empty reply.
  if (notConnected) RaiseSockError(WSAENOTCONN);
  line.resize(lineEnd + 1);
  while (taken < lineEnd + 1) {
    const int got = ReceiveBytes(line.data() + taken, static_cast<int>(lineEnd + 1 - taken), 0);
    if (got <= 0) {
      if (got < 0) ErrorCheck(WSAEWOULDBLOCK);
      if (got == 0) break;
      continue;
    }
    taken += static_cast<std::size_t>(got);
  }
  line.resize(taken);
}

void TSockTransport::Transaction(const std::string& command, std::string& reply) {
  OperationGuard guard(*this);
  DoTransaction(command, reply);
}

void TSockTransport::DoTransaction(const std::string& command, std::string& reply) {
  ReportStatus(8, "Transaction");
  LastReplyCode = 0;
  DoWriteln(command);
  std::string line;
  DoReadLn(line);
  LastReplyLine = line;
  if (!LastReplyLine.empty()) {
    ReportStatus(1, LastReplyLine);
    LastReplyCode = ReplyCodeOf(LastReplyLine);
  }
  reply = LastReplyLine;
}

SOCKET TSockTransport::Accept() {
  ReportStatus(4, "Accepting");
  const SOCKET accepted = accept(Socket, nullptr, nullptr);
  if (accepted == INVALID_SOCKET) ErrorCheck(WSAEWOULDBLOCK);
  return accepted;
}

bool TSockTransport::DataAvailable() {
  ReportStatus(8, "Data Available");
  // The peeked byte goes to a scratch byte: a read may be holding a partial line in TransferBuffer.
  return ReceiveBytes(&PeekScratch, 1, MSG_PEEK) >= 1;
}

void TSockTransport::ClearInput() {
  ReportStatus(8, "Clearing Input");
  std::vector<char> scratch(TransferBufferSize);
  recv(Socket, scratch.data(), static_cast<int>(scratch.size()), 0);
  TlsInput.clear();
  TlsPlain.clear();
}

void TSockTransport::SecureConnection() {
  ReportStatus(8, "Securing Connection");
  try {
    auto session = std::make_unique<TTlsSession>(Widen(Host));
    std::string input;
    Handshake(*session, input);
    session->RequireModernProtocol();
    VerifyServerCertificate(session->ServerCertificate().get());
    Tls = std::move(session);
    TlsInput = std::move(input);
    TlsPlain.clear();
    TlsClosed = false;
  } catch (...) {
    // Whatever the server has seen so far, nothing more goes to it in clear (a time-out or the
    // server has closed the connection already).
    if (IsConnected) CloseSocket();
    throw;
  }
}

void TSockTransport::VerifyServerCertificate(PCCERT_CONTEXT certificate) {
  if (VerifiedBefore(certificate, Host)) return;
  ReportStatus(8, "Verifying Certificate");
  // Building the chain may wait on the network for a long time, so it runs on a thread of its own
  // while this one waits as for the socket.
  const TCertificateCheck check(certificate, Widen(Host), RevocationRetrievalBound(TimeOut));
  {
    TimerOn();
    TimerOffGuard timerOff(*this);
    WaitUntil([this, &check] { return check.Done() || TimedOut || Canceled; });
  }
  if (!check.Done()) {
    Canceled = false;
    throw EAbortError("Certificate check aborted");
  }
  if (const auto failure = check.Result()) throw ETlsError(TlsFailureText(*failure));
  RememberVerified(certificate, Host);
}

void TSockTransport::Handshake(TTlsSession& session, std::string& input) {
  TimerOn();
  TimerOffGuard timerOff(*this);
  try {
    SendAll(session.Start());
    char chunk[4096];
    while (!session.Established()) {
      const int n = recv(Socket, chunk, sizeof chunk, 0);
      if (n > 0) {
        input.append(chunk, static_cast<std::size_t>(n));
        SendAll(session.Continue(input));
        continue;
      }
      if (n == 0) throw ETlsError(TlsFailureText(TTlsFailure::Handshake));
      ErrorCheck(WSAEWOULDBLOCK);
      WaitForMessage();
      Pump.ProcessMessages();
      if (Canceled) {
        Canceled = false;
        throw EAbortError("TLS handshake aborted");
      }
    }
  } catch (const EAbortError&) {
    throw;
  } catch (const ESockError&) {
    // A server that breaks the connection mid-handshake (e.g. no common protocol) is a failed
    // secure connection, whatever the socket reported.
    throw ETlsError(TlsFailureText(TTlsFailure::Handshake));
  }
}

int TSockTransport::ReceiveBytes(char* buffer, int length, int flags) {
  if (!Tls) return recv(Socket, buffer, length, flags);
  if (TlsPlain.empty() && !TlsClosed) DecryptArrived();
  if (TlsPlain.empty()) {
    if (TlsClosed) return 0;
    if (WSAGetLastError() == 0) WSASetLastError(WSAEWOULDBLOCK);
    return SOCKET_ERROR;
  }
  const std::size_t n = std::min(TlsPlain.size(), static_cast<std::size_t>(std::max(length, 0)));
  std::memcpy(buffer, TlsPlain.data(), n);
  if (!(flags & MSG_PEEK)) TlsPlain.erase(0, n);
  return static_cast<int>(n);
}

// Leaves WSAGetLastError at the socket's error when nothing could be read, or 0 after a read.
void TSockTransport::DecryptArrived() {
  char chunk[16384];
  int error = 0;
  bool peerClosed = false;
  for (;;) {
    const int n = recv(Socket, chunk, sizeof chunk, 0);
    if (n > 0) {
      TlsInput.append(chunk, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0) peerClosed = true;
    if (n < 0) error = WSAGetLastError();
    break;
  }
  std::string toSend;
  if (!Tls->Decrypt(TlsInput, TlsPlain, toSend)) TlsClosed = true;
  SendAll(toSend);
  if (peerClosed && TlsPlain.empty()) TlsClosed = true;
  WSASetLastError(error == WSAEWOULDBLOCK ? 0 : error);
}

int TSockTransport::SendBytes(const char* data, int length) {
  if (!Tls) return send(Socket, data, length, 0);
  SendAll(Tls->Encrypt(std::string(data, static_cast<std::size_t>(length))));
  return length;
}

// Runs inside an operation whose time-out timer is armed.
void TSockTransport::SendAll(const std::string& bytes) {
  for (std::size_t sent = 0; sent < bytes.size();) {
    Writable = false;
    const int n = send(Socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    ErrorCheck(WSAEWOULDBLOCK);
    // A record must go out whole; the socket's buffer is full, so wait until it has room.
    WaitUntil([this] { return Writable || TimedOut || Canceled || !IsConnected; });
    if (TimedOut || Canceled) throw ESockError("Socket send timed out");
  }
}

LRESULT CALLBACK TSockTransport::SocketWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  TSockTransport* transport = HiddenWindowObject<TSockTransport>(window);
  if (msg >= SocketMessage) {
    if (transport) {
      transport->HandleSocketMessage(msg, wParam, lParam);
      return 0;
    }
    if (msg == LookupMessage) {
      HandleOrphanMessage(window, msg, wParam);
      return 0;
    }
  }
  if (msg == WM_NCDESTROY) UnbindHiddenWindow(window);
  return DefWindowProcW(window, msg, wParam, lParam);
}

void TSockTransport::HandleOrphanMessage(HWND window, UINT, WPARAM wParam) {
  auto orphan = OrphanLookups().find(window);
  if (orphan == OrphanLookups().end()) return;
  auto& lookups = orphan->second.Lookups;
  std::erase_if(lookups, [wParam](const auto& lookup) { return lookup->Task == reinterpret_cast<HANDLE>(wParam); });
  if (lookups.empty()) {
    // Destroyed once out of the map, so that its last messages find no orphan entry half gone.
    const TOwnedWindow last = std::move(orphan->second.Window);
    OrphanLookups().erase(orphan);
  }
}

void TSockTransport::HandleSocketMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    const bool noError = HIWORD(lParam) == 0;
    if (msg == SocketMessage) {
      // A notification about a socket closed since (queued before its close) must not touch the flags
      // of the current one.
      if (Socket == NoSocket || wParam != Socket) return;
      Succeeded = noError;
      switch (LOWORD(lParam)) {
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
    } else if (msg == LookupMessage) {
      HandleLookupDone(wParam, noError);
    }
  } catch (...) {
    // Notifications arrive inside someone else's wait; their handlers' failures stay here.
  }
}

void TSockTransport::HandleLookupDone(WPARAM task, bool succeeded) {
  const auto lookup = std::find_if(Lookups.begin(), Lookups.end(), [task](const auto& pending) {
    return pending->Task == reinterpret_cast<HANDLE>(task);
  });
  if (lookup == Lookups.end()) return;
  // Only the lookup that the current wait started may end it; an abandoned one just releases its buffer.
  if ((*lookup)->Task == CurrentLookup) {
    Succeeded = succeeded;
    LookupAddress = 0;
    const auto* entry = reinterpret_cast<const hostent*>((*lookup)->Buffer);
    if (succeeded && entry->h_length == 4 && entry->h_addr_list && entry->h_addr_list[0])
      std::memcpy(&LookupAddress, entry->h_addr_list[0], 4);
    LookupDone = true;
  }
  Lookups.erase(lookup);
}
