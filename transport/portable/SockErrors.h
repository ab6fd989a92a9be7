#pragma once
// The socket transport's failures, Windows Sockets error texts and reply codes; no Windows API.
#include <cstdint>
#include <string>

#include "toolkit/portable/Exception.h"

class ESockError : public Exception {
public:
  using Exception::Exception;
};

// The operation was cancelled, by the time-out or by the program.
class EAbortError : public ESockError {
public:
  using ESockError::ESockError;
};

// A secure connection failed; the message is the reason as the user reads it.
class ETlsError : public ESockError {
public:
  using ESockError::ESockError;
};

// "10061:Connection refused" for a known code, "Unknown Error No. 12345" for another, "" for 0.
std::string SockErrorText(int32_t code);

// The value of the leading decimal digits of a reply line (at most 10 of them), 0 when there are
// none or when they exceed the signed 32-bit range. A value outside -32768..32767 is an ERangeError.
int16_t ReplyCodeOf(const std::string& line);
