#pragma once
// One layer of a connection: the socket at the bottom, TLS stacked on it. Each layer knows only the
// one below it, and none of them waits: a caller that has to wait does so above them, and learns
// from HasInput when to look again.

class TByteChannel {
public:
  virtual ~TByteChannel() = default;

  // Takes the opening of the connection one step further without waiting: true once it is open.
  // Raises when it failed.
  virtual bool Connect() = 0;
  // recv's contract: the bytes taken (left in place with `peek`), 0 once the peer has closed, or
  // SOCKET_ERROR with WSAGetLastError set (WSAEWOULDBLOCK while nothing has arrived yet).
  virtual int Receive(char* buffer, int length, bool peek) = 0;
  // send's contract: the bytes taken now, or SOCKET_ERROR with WSAGetLastError set (WSAEWOULDBLOCK
  // while there is no room).
  virtual int Send(const char* data, int length) = 0;
  // Hands on what this layer still holds to send; true once nothing is left.
  virtual bool Flush() = 0;
  // A Receive would not find nothing: bytes, the peer's close or a failure wait for it.
  virtual bool HasInput() = 0;
  // Bytes wait to be read (the close alone does not count). Never raises, as the socket's close
  // notice asks it inside a window procedure.
  virtual bool DataWaiting() = 0;
  // Drops what has arrived and not been read.
  virtual void DiscardInput() = 0;
  // Ends this layer's session in an orderly way; what it has to send is handed to Flush.
  virtual void Close() = 0;

protected:
  TByteChannel() = default;
  TByteChannel(const TByteChannel&) = delete;
  TByteChannel& operator=(const TByteChannel&) = delete;
};
