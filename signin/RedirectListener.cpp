#include "signin/RedirectListener.h"

#include <algorithm>
#include <utility>

#include "toolkit/portable/Exception.h"
#include "toolkit/Window.h"

namespace {
constexpr UINT kSocketMessage = WM_USER + 102;  // wParam the socket, lParam event and error
constexpr UINT_PTR kDeadlineTimer = 1;
constexpr const wchar_t* kListenerClass = L"PelmoraRedirectListener";
constexpr std::string_view kHeadEnd = "\r\n\r\n";

bool WouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }
}  // namespace

class TRedirectListener::TNoticeWindow : public TWindow {
public:
  explicit TNoticeWindow(TRedirectListener& owner) : Owner(owner) {
    RegisterOwnClass(kListenerClass);
    CreateOwn(kListenerClass, WS_EX_TOOLWINDOW, WS_POPUP, {}, RECT{}, nullptr, 0);
  }

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kSocketMessage) {
      Owner.HandleNotice(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam));
      return 0;
    }
    if (msg == WM_TIMER && wParam == kDeadlineTimer) {
      Owner.HandleDeadline();
      return 0;
    }
    return TWindow::WndProc(msg, wParam, lParam);
  }

private:
  TRedirectListener& Owner;
};

TRedirectListener::TRedirectListener(THandler handler, uint32_t deadlineMs)
    : Handler(std::move(handler)), Notices(std::make_unique<TNoticeWindow>(*this)) {
  try {
    Listen();
  } catch (...) {
    CloseAll();
    throw;
  }
  if (!SetTimer(Notices->Handle(), kDeadlineTimer, deadlineMs, nullptr)) {
    CloseAll();
    throw Exception("Not enough timers available");
  }
}

TRedirectListener::~TRedirectListener() {
  CloseAll();
  Notices.reset();
}

void TRedirectListener::Listen() {
  Listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (Listener == INVALID_SOCKET) throw Exception("サインインの応答を待つソケットを作れません");
  // Only this machine can reach the port: the address is the loopback one, not any.
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  local.sin_port = 0;
  int length = sizeof local;
  if (bind(Listener, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      getsockname(Listener, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
      WSAAsyncSelect(Listener, Notices->Handle(), kSocketMessage, FD_ACCEPT) != 0 ||
      listen(Listener, SOMAXCONN) != 0)
    throw Exception("サインインの応答を待てません (エラー " + std::to_string(WSAGetLastError()) + ")");
  ListeningPort = ntohs(local.sin_port);
}

void TRedirectListener::Cancel() { CloseAll(); }

void TRedirectListener::CloseAll() {
  if (Notices) KillTimer(Notices->Handle(), kDeadlineTimer);
  if (Listener != INVALID_SOCKET) closesocket(Listener);
  Listener = INVALID_SOCKET;
  for (const auto& connection : Connections) closesocket(connection->Socket);
  Connections.clear();
}

void TRedirectListener::HandleNotice(SOCKET socket, long event) {
  if (socket == Listener) {
    if (event == FD_ACCEPT) AcceptConnections();
    return;
  }
  const auto found = std::find_if(Connections.begin(), Connections.end(),
                                   [socket](const auto& connection) { return connection->Socket == socket; });
  // A notice queued before its socket was closed.
  if (found == Connections.end()) return;
  TConnection& connection = **found;
  if (!connection.Answered) {
    // FD_CLOSE too: the head may have come with the close. A notice that outlived its socket and
    // now names a new one finds nothing to read and changes nothing.
    if (event == FD_READ || event == FD_CLOSE) ReadHead(connection);
  } else if (event == FD_WRITE) {
    SendReply(connection);
  }
}

void TRedirectListener::HandleDeadline() {
  CloseAll();
  // Last: the owner may destroy the listener.
  OnTimeOut(this);
}

void TRedirectListener::AcceptConnections() {
  for (;;) {
    const SOCKET accepted = accept(Listener, nullptr, nullptr);
    if (accepted == INVALID_SOCKET) return;
    if (Connections.size() >= kMaxConnections ||
        WSAAsyncSelect(accepted, Notices->Handle(), kSocketMessage, FD_READ | FD_WRITE | FD_CLOSE) != 0) {
      closesocket(accepted);
      continue;
    }
    Connections.push_back(std::make_unique<TConnection>(accepted));
  }
}

void TRedirectListener::ReadHead(TConnection& connection) {
  char chunk[1024];
  for (;;) {
    const size_t room = std::min(sizeof chunk, kMaxHeadBytes - connection.Head.size());
    const int read = recv(connection.Socket, chunk, static_cast<int>(room), 0);
    if (read < 0 && WouldBlock()) return;
    if (read <= 0) return Close(connection);
    connection.Head.append(chunk, static_cast<size_t>(read));
    const size_t end = connection.Head.find(kHeadEnd);
    if (end != std::string::npos) {
      connection.Head.resize(end + kHeadEnd.size());
      return Answer(connection);
    }
    if (connection.Head.size() >= kMaxHeadBytes) return Close(connection);
  }
}

void TRedirectListener::Answer(TConnection& connection) {
  connection.Answered = true;
  connection.Accepted = Handler(connection.Head, connection.Reply);
  SendReply(connection);
}

void TRedirectListener::SendReply(TConnection& connection) {
  while (connection.Sent < connection.Reply.size()) {
    const size_t rest = connection.Reply.size() - connection.Sent;
    const int sent = send(connection.Socket, connection.Reply.data() + connection.Sent,
                          static_cast<int>(std::min<size_t>(rest, 65536)), 0);
    if (sent < 0 && WouldBlock()) return;
    // A browser that went away does not undo a redirect that was accepted.
    if (sent <= 0) break;
    connection.Sent += static_cast<size_t>(sent);
  }
  const bool accepted = connection.Accepted;
  Close(connection);
  if (!accepted) return;
  CloseAll();
  // Last: the owner may destroy the listener.
  OnDone(this);
}

void TRedirectListener::Close(TConnection& connection) {
  shutdown(connection.Socket, SD_SEND);
  // Input left unread would make the close a reset, which can cost the browser the reply it got; a
  // peer that goes on sending is not waited for.
  char scratch[1024];
  for (size_t drained = 0; drained < kMaxHeadBytes; drained += sizeof scratch) {
    if (recv(connection.Socket, scratch, sizeof scratch, 0) <= 0) break;
  }
  closesocket(connection.Socket);
  std::erase_if(Connections, [&connection](const auto& held) { return held.get() == &connection; });
}
