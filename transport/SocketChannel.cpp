#include "transport/SocketChannel.h"

#include <mstcpip.h>

#include <vector>

#include "transport/portable/SockErrors.h"
#include "toolkit/Window.h"

namespace {
// FD_WRITE tells a send that found the socket's buffer full when to go on.
constexpr long NotifiedEvents = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
constexpr const wchar_t* kSocketClass = L"SockWindowClass";
}  // namespace

// The hidden window that the socket's notifications are posted to.
class TSocketChannel::TNoticeWindow : public TWindow {
public:
  explicit TNoticeWindow(TSocketChannel& owner) : Owner(owner) {
    RegisterOwnClass(kSocketClass);
    CreateOwn(kSocketClass, WS_EX_TOOLWINDOW, WS_POPUP, {}, RECT{}, nullptr, 0);
  }

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg != SocketMessage) return TWindow::WndProc(msg, wParam, lParam);
    Owner.HandleNotice(wParam, lParam);
    return 0;
  }

private:
  TSocketChannel& Owner;
};

TSocketChannel::TSocketChannel() : Notices(std::make_unique<TNoticeWindow>(*this)) {}

TSocketChannel::~TSocketChannel() {
  OnNotice = nullptr;
  Notices.reset();
  if (Socket != NoSocket) closesocket(Socket);
}

HWND TSocketChannel::Window() const { return Notices ? Notices->Handle() : nullptr; }

bool TSocketChannel::OpenSocket(int protocol, bool resetOnClose) {
  const SOCKET handle = socket(AF_INET, SOCK_STREAM, protocol);
  if (handle == INVALID_SOCKET) return false;
  if (handle >= NoSocket) {
    closesocket(handle);
    throw ERangeError();
  }
  Socket = static_cast<uint16_t>(handle);
  IsConnected = false;
  CanWrite = false;
  if (resetOnClose) {
    const linger option{1, 0};
    setsockopt(handle, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option), sizeof option);
  }
  WSAAsyncSelect(handle, Window(), SocketMessage, NotifiedEvents);
  return true;
}

bool TSocketChannel::CloseSocket() {
  IsConnected = false;
  if (Socket == NoSocket) return true;
  if (closesocket(Socket) != 0) return false;
  Socket = NoSocket;
  DiscardNotices();
  return true;
}

void TSocketChannel::DropSocket() {
  if (Socket != NoSocket) closesocket(Socket);
  Socket = NoSocket;
  IsConnected = false;
  DiscardNotices();
}

void TSocketChannel::DiscardNotices() {
  // The system reuses socket handles at once, so a notification still queued for the closed socket
  // would carry the handle of the next one; none can be posted for it after the close.
  MSG msg;
  while (Window() && PeekMessageW(&msg, Window(), SocketMessage, SocketMessage, PM_REMOVE)) {
  }
}

bool TSocketChannel::StartConnect(const sockaddr_in& remote) {
  if (connect(Socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0) return true;
  return WSAGetLastError() == WSAEWOULDBLOCK;
}

void TSocketChannel::KeepAlive(uint32_t idleMs, uint32_t intervalMs) {
  tcp_keepalive values{1, idleMs, intervalMs};
  DWORD returned = 0;
  WSAIoctl(Socket, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned, nullptr, nullptr);
}

SOCKET TSocketChannel::Accept() { return accept(Socket, nullptr, nullptr); }

void TSocketChannel::HandleNotice(WPARAM socket, LPARAM event) {
  // A notification about a socket closed since (queued before its close) must not touch the state of
  // the current one.
  if (Socket == NoSocket || socket != Socket) return;
  const bool ok = HIWORD(event) == 0;
  switch (LOWORD(event)) {
    case FD_WRITE:
      CanWrite = true;
      break;
    case FD_CONNECT:
    case FD_ACCEPT:
      if (ok) IsConnected = true;
      break;
    default:
      break;
  }
  if (OnNotice) OnNotice(LOWORD(event), ok);
}

int TSocketChannel::Receive(char* buffer, int length, bool peek) { return recv(Socket, buffer, length, peek ? MSG_PEEK : 0); }

int TSocketChannel::Send(const char* data, int length) {
  CanWrite = false;
  return send(Socket, data, length, 0);
}

bool TSocketChannel::HasInput() {
  return recv(Socket, &PeekScratch, 1, MSG_PEEK) >= 0 || WSAGetLastError() != WSAEWOULDBLOCK;
}

// The peeked byte goes to a scratch byte: a reader may be holding a partial line in its buffer.
bool TSocketChannel::DataWaiting() { return recv(Socket, &PeekScratch, 1, MSG_PEEK) >= 1; }

void TSocketChannel::DiscardInput() {
  std::vector<char> scratch(65536);
  recv(Socket, scratch.data(), static_cast<int>(scratch.size()), 0);
}

void TSocketChannel::Close() { shutdown(Socket, SD_SEND); }
