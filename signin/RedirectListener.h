#pragma once
// The loopback end of a sign-in in the system browser: an HTTP listener on 127.0.0.1 at a port the
// system picks, where the provider's redirect arrives. Driven by socket notices posted to a hidden
// window of its own, as the mail connections are; nothing here waits. Each connection's request head
// goes to the handler, which writes the whole HTTP reply and says whether it was the awaited
// redirect; the listener sends the reply and closes the connection. Once a handler accepted, or the
// deadline passed, the listener closes every socket and tells its owner, who may destroy it then.
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/portable/Event.h"
#include "transport/Winsock.h"

class TRedirectListener {
public:
  // `head`: the request line and header lines, through the blank line that ends them.
  using THandler = std::function<bool(std::string_view head, std::string& reply)>;

  // A request head that does not end within this is dropped unanswered.
  static constexpr size_t kMaxHeadBytes = 8 * 1024;
  // Connections at once; more are closed as they come (a browser opens one or two).
  static constexpr size_t kMaxConnections = 8;
  static constexpr uint32_t kDeadlineMs = 5 * 60 * 1000;

  // Listens at once; raises Exception when no socket could be made.
  explicit TRedirectListener(THandler handler, uint32_t deadlineMs = kDeadlineMs);
  ~TRedirectListener();
  TRedirectListener(const TRedirectListener&) = delete;
  TRedirectListener& operator=(const TRedirectListener&) = delete;

  Event<TRedirectListener*> OnDone;
  Event<TRedirectListener*> OnTimeOut;

  uint16_t Port() const { return ListeningPort; }
  // Stops listening and closes every connection; no event comes afterwards.
  void Cancel();

private:
  class TNoticeWindow;
  struct TConnection {
    explicit TConnection(SOCKET socket) : Socket(socket) {}
    SOCKET Socket;
    std::string Head;
    std::string Reply;
    size_t Sent = 0;
    bool Answered = false;
    bool Accepted = false;
  };

  void Listen();
  void HandleNotice(SOCKET socket, long event);
  void HandleDeadline();
  void AcceptConnections();
  void ReadHead(TConnection& connection);
  void Answer(TConnection& connection);
  void SendReply(TConnection& connection);
  void Close(TConnection& connection);
  void CloseAll();

  TWinsockUse Winsock;
  THandler Handler;
  std::unique_ptr<TNoticeWindow> Notices;
  SOCKET Listener = INVALID_SOCKET;
  uint16_t ListeningPort = 0;
  std::vector<std::unique_ptr<TConnection>> Connections;
};
