// The line operations of the socket transport, and the TLS channel under them.
#include <algorithm>
#include <cstring>
#include <vector>

#include "pop3/SockTransport.h"
#include "transport/TlsSession.h"
#include "toolkit/Text.h"

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
  taken += TakeBytes(line.data() + taken, lineEnd + 1 - taken);
  line.resize(taken);
}

std::size_t TSockTransport::TakeBytes(char* into, std::size_t count) {
  std::size_t taken = 0;
  while (taken < count) {
    const int got = ReceiveBytes(into + taken, static_cast<int>(count - taken), 0);
    if (got == 0) break;
    if (got < 0) {
      ErrorCheck(WSAEWOULDBLOCK);
      continue;
    }
    taken += static_cast<std::size_t>(got);
  }
  return taken;
}

void TSockTransport::DoReadLines(const std::function<bool(const std::string&)>& take, std::size_t maxLine) {
  ReportStatus(8, "ReadLines");
  TimerOn();
  TimerOffGuard timerOff(*this);
  // The start of a line whose end has not come yet, taken from the socket already (as ReadLn takes
  // it), so that the next look sees what arrives behind it, through TLS too.
  std::string held;
  for (;;) {
    const int n = ReceiveBytes(TransferBuffer, TransferBufferSize, MSG_PEEK);
    if (n == 0) {
      take(std::string());
      return;
    }
    if (n > 0) {
      const char* const end = TransferBuffer + n;
      const char* start = TransferBuffer;
      bool ended = false;
      while (!ended) {
        const char* const lf = std::find(start, end, '\n');
        if (lf == end) break;
        held.append(start, lf + 1);
        ended = take(held);
        held.clear();
        start = lf + 1;
      }
      if (!ended) held.append(start, end);
      if (held.size() >= maxLine) throw ERangeError();
      // Nothing behind the line that ended the reply leaves the socket.
      TakeBytes(TransferBuffer, ended ? static_cast<std::size_t>(start - TransferBuffer) : static_cast<std::size_t>(n));
      if (ended) return;
      TimerOn();
    } else {
      LastErrorCode = WSAGetLastError();
      if (LastErrorCode == WSAENOTCONN) RaiseSockError(WSAENOTCONN);
      ErrorCheck(WSAEWOULDBLOCK);
      WaitForMessage();
    }
    Pump.ProcessMessages();
    if (Canceled) {
      Canceled = false;
      throw EAbortError("Socket readln aborted");
    }
  }
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
  // Through TLS nothing is raised here (this runs for the close notice, inside a window procedure):
  // a record that fails to decrypt counts as input, and the read that meets it raises its failure.
  if (Tls) return Tls->Arrived();
  // The peeked byte goes to a scratch byte: a read may be holding a partial line in TransferBuffer.
  return recv(Socket, &PeekScratch, 1, MSG_PEEK) >= 1;
}

void TSockTransport::ClearInput() {
  ReportStatus(8, "Clearing Input");
  std::vector<char> scratch(TransferBufferSize);
  recv(Socket, scratch.data(), static_cast<int>(scratch.size()), 0);
  if (Tls) Tls->DiscardInput();
}

int TSockTransport::ReceiveBytes(char* buffer, int length, int flags) {
  if (!Tls) return recv(Socket, buffer, length, flags);
  return Tls->Receive(buffer, length, (flags & MSG_PEEK) != 0);
}

int TSockTransport::SendBytes(const char* data, int length) {
  if (!Tls) return send(Socket, data, length, 0);
  return Tls->Send(data, length);
}

void TSockTransport::SecureConnection() {
  ReportStatus(8, "Securing Connection");
  try {
    if (!TlsCredentials) TlsCredentials = std::make_shared<TTlsCredentials>();
    TTlsChannel::TLink& link = *this;
    auto channel = std::make_unique<TTlsChannel>(link, TlsCredentials, Host, TimeOut);
    TimerOn();
    TimerOffGuard timerOff(*this);
    channel->Open();
    Tls = std::move(channel);
  } catch (...) {
    // Whatever the server has seen so far, nothing more goes to it in clear (a time-out or the
    // server has closed the connection already).
    if (IsConnected) CloseSocket();
    throw;
  }
}

void TSockTransport::EndSecureSession() {
  if (!Tls || !IsConnected) return;
  TimerOn();
  TimerOffGuard timerOff(*this);
  Tls->Close();
}

int TSockTransport::Receive(char* buffer, int length) { return recv(Socket, buffer, length, 0); }

void TSockTransport::CheckReceiveError() { ErrorCheck(WSAEWOULDBLOCK); }

void TSockTransport::AwaitInput() {
  WaitForMessage();
  Pump.ProcessMessages();
  if (Canceled) {
    Canceled = false;
    throw EAbortError("TLS handshake aborted");
  }
}

void TSockTransport::WaitUntilReady(const std::function<bool()>& ready, const std::string& what) {
  WaitUntil([&] { return ready() || TimedOut || Canceled; });
  // What the wait awaited may have come after the time-out fired and dropped the connection, before
  // the wait looked again: the time-out stands.
  if (!TimedOut && !Canceled) return;
  Canceled = false;
  throw EAbortError(what + (TimedOut ? " timed out" : " aborted"));
}

void TSockTransport::Report(const std::string& status) { ReportStatus(8, status); }

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
