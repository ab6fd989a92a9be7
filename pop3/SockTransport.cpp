#include "pop3/SockTransport.h"

#include <cstring>

#include "transport/TlsSession.h"

TSockTransport::OperationGuard::OperationGuard(TSockTransport& transport) : Transport(transport) {
  if (Transport.Busy) throw ESockError("Another socket operation is already in progress");
  Transport.Busy = true;
}

TSockTransport::OperationGuard::~OperationGuard() { Transport.Busy = false; }

TSockTransport::TSockTransport(TMessagePump& pump) : Pump(pump) {
  ReportStatus(8, "Create");
  Waiting.OnReport = [this](int32_t level, const std::string& text) { ReportStatus(level, text); };
  Waiting.OnTimeOut = [this] { Abort(); };
  Socket.OnNotice = [this](long event, bool ok) { HandleNotice(event, ok); };
  LineLayer.OnFailure = [this](int32_t code) { RaiseSockError(code); };
  InitWinsock();
}

TSockTransport::~TSockTransport() {
  ComponentDestroying = true;
  try {
    ReportStatus(8, "Destroy");
    Abort();
    Cancel();
    Waiting.Disarm();
    Socket.OnNotice = nullptr;
    Destroying = true;
    CloseSocket();
  } catch (...) {
    // Destruction goes on whatever a close reports.
  }
  Winsock.reset();
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

TByteChannel& TSockTransport::Top() {
  if (Tls) return *Tls;
  return Socket;
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
  if (!Socket.OpenSocket(protocol, resetOnClose)) ErrorCheck(WSAEWOULDBLOCK);
}

void TSockTransport::CloseSocket() {
  ReportStatus(4, "Request Close Socket");
  Tls.reset();
  LineLayer.Over(Socket);
  if (Socket.Handle() == NoSocket) return;
  if (!Socket.CloseSocket()) {
    ErrorCheck(WSAEWOULDBLOCK);
    return;
  }
  // The fresh socket comes first, so a failing OnDisconnect still leaves the instance usable.
  if (!Destroying) OpenSocket(0, false);
  if (!ComponentDestroying) OnDisconnect(this);
}

void TSockTransport::WithdrawAttempt() {
  Socket.DropSocket();
  OpenSocket(0, false);
}

void TSockTransport::ErrorCheck(int32_t ignored) {
  const int32_t err = WSAGetLastError();
  LastErrorCode = err;
  if (err != ignored && err > 10000) RaiseSockError(err);
}

void TSockTransport::RaiseSockError(int32_t code) {
  LastErrorCode = code;
  if (code > 65535) throw ERangeError();
  const std::string text = ErrorText(code);
  OnError(this, static_cast<uint16_t>(code), text);
  throw ESockError(text);
}

std::string TSockTransport::ErrorText(int32_t code) {
  ReportStatus(8, "Looking Up Error Message");
  return SockErrorText(code);
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
  TWaitEnd end = TWaitEnd::Done;
  {
    TWait::TArmed armed(Waiting);
    if (Lookup.Start(name)) end = Waiting.Until([this] { return Lookup.Done(); });
    if (!Lookup.Done()) Lookup.Abandon();
  }
  if (end == TWaitEnd::TimedOut) throw ESockError("Host Lookup Timed Out");
  if (end == TWaitEnd::Cancelled) throw ESockError("Host Lookup Canceled");
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
  Waiting.TakeCancel();
  if (Connected()) throw ESockError("Already connected");
  for (int attempts = 0; !ResolveHost(); ++attempts) {
    if (attempts > 0 || !OnInvalidHost) throw ESockError("Null Remote Address");
    bool handled = false;
    OnInvalidHost(this, handled);
    if (!handled) throw ESockError("Null Remote Address");
  }
  Remote.sin_family = AF_INET;
  Remote.sin_port = htons(static_cast<u_short>(Port & 0xFFFF));
  Attempt = TAttempt::Pending;
  if (!Socket.StartConnect(Remote)) ErrorCheck(WSAEWOULDBLOCK);
  TWaitEnd end = TWaitEnd::Done;
  {
    TWait::TArmed armed(Waiting);
    // Not Connected: a server that accepts and closes at once may have its close handled in the same
    // pass as the connection, and the wait would then run on to the time-out. The first read meets
    // the closed connection instead.
    end = Waiting.Until([this] { return Attempt != TAttempt::Pending; });
  }
  if (end == TWaitEnd::Done && Attempt == TAttempt::Made) return;
  // A pending or failed attempt must not complete later and make the next Connect find the socket
  // busy or connected to the wrong server.
  WithdrawAttempt();
  OnConnectionFailed(this);
  if (end == TWaitEnd::TimedOut) throw ESockError("Connection Timed out");
  if (end == TWaitEnd::Cancelled) throw ESockError("Connection Canceled");
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
  Waiting.Cancel();
}

void TSockTransport::Abort() {
  ReportStatus(8, "Abort");
  Cancel();
}

void TSockTransport::HandleNotice(long event, bool ok) {
  if (Attempt == TAttempt::Pending && !ok) Attempt = TAttempt::Failed;
  switch (event) {
    case FD_READ:
      OnDataArrival(this);
      break;
    case FD_ACCEPT:
      OnAccept(this);
      break;
    case FD_CONNECT:
      if (ok) {
        Attempt = TAttempt::Made;
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

void TSockTransport::SendBuffer(const char* data, uint16_t length) {
  ReportStatus(4, "Sending Buffer");
  std::size_t total = length;
  if (total == 0) {
    total = strnlen(data, 65536);
    if (total > 65535) throw ERangeError();
  }
  LineLayer.Send(data, total);
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
  LineLayer.ReadLine(line);
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
  const SOCKET accepted = Socket.Accept();
  if (accepted == INVALID_SOCKET) ErrorCheck(WSAEWOULDBLOCK);
  return accepted;
}

bool TSockTransport::DataAvailable() {
  ReportStatus(8, "Data Available");
  // Through TLS nothing is raised here (this runs for the close notice, inside a window procedure):
  // a record that fails to decrypt counts as input, and the read that meets it raises its failure.
  return Top().DataWaiting();
}

void TSockTransport::ClearInput() {
  ReportStatus(8, "Clearing Input");
  Top().DiscardInput();
}

void TSockTransport::SecureConnection() {
  ReportStatus(8, "Securing Connection");
  try {
    if (!TlsCredentials) TlsCredentials = std::make_shared<TTlsCredentials>();
    auto channel = std::make_unique<TTlsChannel>(Socket, TlsCredentials, Host, TimeOut);
    channel->OnReport = [this](const std::string& status) { ReportStatus(8, status); };
    TWait::TArmed armed(Waiting);
    while (!channel->Connect()) {
      const TWaitEnd end = Waiting.Until([&channel] { return channel->CanProceed(); });
      if (end == TWaitEnd::Done) continue;
      Waiting.TakeCancel();
      // A time-out or the program ended the wait: it stands even if the awaited came meanwhile.
      if (!channel->Verifying()) throw EAbortError("TLS handshake aborted");
      throw EAbortError(std::string("Certificate check") + (end == TWaitEnd::TimedOut ? " timed out" : " aborted"));
    }
    Tls = std::move(channel);
    LineLayer.Over(*Tls);
  } catch (...) {
    // Whatever the server has seen so far, nothing more goes to it in clear (a time-out or the
    // server has closed the connection already).
    if (Connected()) CloseSocket();
    throw;
  }
}

void TSockTransport::EndSecureSession() {
  if (!Tls || !Connected()) return;
  Tls->Close();
  LineLayer.Flush();
}
