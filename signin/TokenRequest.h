#pragma once
// One HTTPS POST of a form to a sign-in provider's token endpoint through WinHTTP, on a thread of its
// own (BackgroundCall.h) so that the GUI thread's message loop goes on. WinHTTP verifies the server's
// certificate; no check is ever turned off. Redirects are not followed: a body that carries a code or
// a refresh token goes to the address the provider's table names and nowhere else.
#include <windows.h>

#include <cstddef>
#include <string>

#include "toolkit/BackgroundCall.h"

class TTokenRequest {
public:
  // A longer reply is refused: a token endpoint answers with a small JSON object.
  static constexpr size_t kMaxReplyBytes = 64 * 1024;

  struct TReply {
    int Status;
    std::string Body;
  };

  // Starts the request at once. `url` must be https; `body` is application/x-www-form-urlencoded;
  // `timeoutMs` bounds each step (lookup, connect, send, the wait for the reply's head, each wait for
  // data) and, from the start, the reading of the reply as a whole.
  TTokenRequest(std::wstring url, std::string body, DWORD timeoutMs);

  bool Done() const { return Call.Done(); }
  // Once Done(): the HTTP status and the body, or the error met raised again as Exception.
  TReply Result() const { return Call.Result(); }

private:
  TBackgroundCall<TReply> Call;
};
