#pragma once
// The line layer of a command-and-reply protocol: whole sends, one line, the lines of a multi-line
// reply, each read bounded by the wait's time-out. It stands on the top layer of a connection, which
// the owner sets as the connection is made and secured; the sessions of both mailbox protocols use
// it as the transport's own line operations do.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "transport/ByteChannel.h"
#include "transport/SocketChannel.h"
#include "transport/Wait.h"

class TLines {
public:
  static constexpr std::size_t BufferSize = 65536;

  // `socket` is the bottom of the connection: it tells whether there is room to send and whether
  // the connection still stands. `buffer` holds BufferSize bytes, the owner's.
  TLines(TWait& wait, TSocketChannel& socket, char* buffer);
  TLines(const TLines&) = delete;
  TLines& operator=(const TLines&) = delete;

  // Where a read or a send goes: the top layer of the connection.
  void Over(TByteChannel& top) { Top = &top; }

  // Called with a socket error before it is raised; it may raise it itself.
  std::function<void(int32_t code)> OnFailure;

  // Sends every byte without dispatching messages while the connection takes them, so nothing runs
  // in the middle of a command; only a full buffer waits, within the time-out.
  void Send(const char* data, std::size_t length);
  // Sends what the layers still hold, as Send does.
  void Flush() { Send(nullptr, 0); }
  // One line with its LF (and any CR before it); nothing behind the LF is taken from the connection.
  // An orderly close by the peer before the LF gives an empty line. A line of BufferSize bytes or
  // more raises ERangeError.
  void ReadLine(std::string& line);
  // The lines of a multi-line reply, each with its LF, handed to `take` until it says the reply has
  // ended; an orderly close by the peer hands an empty line. Lines that arrived together are taken
  // together, and the time-out measures the silence between arrivals, not the whole reply. Nothing
  // behind the line that ended the reply is taken. A line of maxLine bytes or more raises ERangeError.
  void ReadLines(const std::function<bool(const std::string& line)>& take, std::size_t maxLine = BufferSize);

private:
  // Dispatches messages, and waits for input unless some `arrived` already; raises
  // EAbortError("Socket readln aborted") when the read was cancelled or timed out.
  void AwaitInput(bool arrived = false);
  // Receives the `count` bytes a peek has shown to be there; fewer only when the peer closed.
  std::size_t TakeBytes(char* into, std::size_t count);
  // Raises the last socket error unless it only says that nothing is there yet.
  void CheckError();
  [[noreturn]] void Fail(int32_t code);

  TWait& Wait;
  TSocketChannel& Socket;
  TByteChannel* Top;
  char* Buffer;
};
