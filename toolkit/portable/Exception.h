#pragma once
// The toolkit's base exception: every failure of the program carries exactly one message text
// (code page 932 bytes), which is what the error dialog shows.
#include <exception>
#include <string>
#include <utility>

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  const std::string& message() const noexcept { return Message; }

private:
  std::string Message;
};

// A value outside the range a field or call allows.
class ERangeError : public Exception {
public:
  ERangeError() : Exception("Range check error") {}
};
