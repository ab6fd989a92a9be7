#include "transport/Lines.h"

#include <algorithm>

#include "transport/portable/SockErrors.h"

TLines::TLines(TWait& wait, TSocketChannel& socket, char* buffer)
    : Wait(wait), Socket(socket), Top(&socket), Buffer(buffer) {}

void TLines::Fail(int32_t code) {
  if (OnFailure) OnFailure(code);
  throw ESockError(SockErrorText(code));
}

void TLines::CheckError() {
  const int32_t error = WSAGetLastError();
  if (error != WSAEWOULDBLOCK && error > 10000) Fail(error);
}

void TLines::Send(const char* data, std::size_t length) {
  TWait::TArmed armed(Wait);
  std::size_t sent = 0;
  const auto room = [this] { return Socket.Writable(); };
  const auto closed = [this] { return !Socket.Connected(); };
  while (!Wait.Cancelled()) {
    if (sent < length) {
      const int n = Top->Send(data + sent, static_cast<int>(length - sent));
      if (n == 0) break;
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      CheckError();
    } else if (Top->Flush()) {
      break;
    }
    // The connection's buffer is full: on when it has room again, or to the error of a closed one.
    Wait.Until(room, closed);
  }
  if (Wait.TakeCancel()) throw EAbortError("Socket send aborted");
}

void TLines::AwaitInput(bool arrived) {
  const auto ready = [this, arrived] { return arrived || Top->HasInput(); };
  if (Wait.Until(ready) == TWaitEnd::Done) return;
  Wait.TakeCancel();
  throw EAbortError("Socket readln aborted");
}

void TLines::ReadLine(std::string& line) {
  TWait::TArmed armed(Wait);
  line.clear();
  // Buffer[0, taken) holds a copy of the bytes already moved into line; each peek lands right
  // behind them.
  std::size_t taken = 0;
  std::size_t lineEnd = 0;
  for (;;) {
    if (taken >= BufferSize) throw ERangeError();
    const int n = Top->Receive(Buffer + taken, static_cast<int>(BufferSize - taken), true);
    if (n == 0) {
      line.clear();
      return;
    }
    if (n > 0) {
      const char* const end = Buffer + taken + n;
      const char* const lf = std::find(static_cast<const char*>(Buffer + taken), end, '\n');
      if (lf != end) {
        lineEnd = static_cast<std::size_t>(lf - Buffer);
        break;
      }
      line.resize(taken + static_cast<std::size_t>(n));
      const int got = Top->Receive(line.data() + taken, n, false);
      if (got < 0) CheckError();
      taken += static_cast<std::size_t>(std::max(got, 0));
      line.resize(taken);
      AwaitInput(true);
      continue;
    }
    // A connection that no longer stands (closed while this read waited) fails the read instead of
    // looking like an empty reply.
    if (WSAGetLastError() == WSAENOTCONN) Fail(WSAENOTCONN);
    CheckError();
    AwaitInput();
  }
  line.resize(lineEnd + 1);
  taken += TakeBytes(line.data() + taken, lineEnd + 1 - taken);
  line.resize(taken);
}

std::size_t TLines::TakeBytes(char* into, std::size_t count) {
  std::size_t taken = 0;
  while (taken < count) {
    const int got = Top->Receive(into + taken, static_cast<int>(count - taken), false);
    if (got == 0) break;
    if (got < 0) {
      CheckError();
      continue;
    }
    taken += static_cast<std::size_t>(got);
  }
  return taken;
}

void TLines::ReadLines(const std::function<bool(const std::string&)>& take, std::size_t maxLine) {
  TWait::TArmed armed(Wait);
  // The start of a line whose end has not come yet, taken from the connection already (as ReadLine
  // takes it), so that the next look sees what arrives behind it.
  std::string held;
  for (;;) {
    const int n = Top->Receive(Buffer, static_cast<int>(BufferSize), true);
    if (n == 0) {
      take(std::string());
      return;
    }
    if (n < 0) {
      if (WSAGetLastError() == WSAENOTCONN) Fail(WSAENOTCONN);
      CheckError();
      AwaitInput();
      continue;
    }
    const char* const end = Buffer + n;
    const char* start = Buffer;
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
    // Nothing behind the line that ended the reply leaves the connection.
    TakeBytes(Buffer, ended ? static_cast<std::size_t>(start - Buffer) : static_cast<std::size_t>(n));
    if (ended) return;
    Wait.Arm();
    AwaitInput(true);
  }
}
