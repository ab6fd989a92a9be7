#pragma once
// The bottom layer of a connection: one TCP socket in the asynchronous mode of Windows Sockets 1.1,
// its events posted as messages to a hidden window of its own and handed on as notices. Nothing here
// waits: connect, send and receive return at once.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "transport/ByteChannel.h"

class TSocketChannel : public TByteChannel {
public:
  static constexpr UINT SocketMessage = WM_USER + 101;  // wParam the socket, lParam event and error
  static constexpr uint16_t NoSocket = 65535;

  TSocketChannel();
  ~TSocketChannel() override;

  // A notification about the socket held now: the FD_ event, and whether it carried no error. The
  // channel's own state has changed already when it is called.
  std::function<void(long event, bool ok)> OnNotice;

  // A new socket registered for notifications; one that resets the connection at once when closed
  // instead of lingering, if asked. Raises ERangeError, or returns false with WSAGetLastError set.
  bool OpenSocket(int protocol, bool resetOnClose);
  // Closes the socket held, so that none is held afterwards; false, with WSAGetLastError set and the
  // socket kept, when the system refused.
  bool CloseSocket();
  // Closes the socket whatever the system says, as a connection attempt given up is.
  void DropSocket();
  // Starts connecting; false with WSAGetLastError set when the attempt failed at once.
  bool StartConnect(const sockaddr_in& remote);
  // TCP keep-alive probes after `idleMs` of silence, every `intervalMs`.
  void KeepAlive(uint32_t idleMs, uint32_t intervalMs);
  SOCKET Accept();

  uint16_t Handle() const { return Socket; }
  HWND Window() const;
  bool Connected() const { return IsConnected; }
  // FD_WRITE came since the last send that found the socket's buffer full.
  bool Writable() const { return CanWrite; }

  bool Connect() override { return IsConnected; }
  int Receive(char* buffer, int length, bool peek) override;
  int Send(const char* data, int length) override;
  bool Flush() override { return true; }
  bool HasInput() override;
  bool DataWaiting() override;
  void DiscardInput() override;
  // Shuts the sending side: the peer reads the end of the stream.
  void Close() override;

private:
  class TNoticeWindow;
  void HandleNotice(WPARAM socket, LPARAM event);
  void DiscardNotices();

  std::unique_ptr<TNoticeWindow> Notices;
  uint16_t Socket = NoSocket;
  bool IsConnected = false;
  bool CanWrite = false;
  char PeekScratch = 0;
};
