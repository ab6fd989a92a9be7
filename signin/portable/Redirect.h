#pragma once
// The browser's request to the loopback listener that ends a sign-in (RFC 8252 section 7.3), and the
// page it gets back. Whatever reaches the port may be from any program on the machine: only a GET
// of the expected path carrying the sign-in's state is taken. No Windows API.
#include <cstddef>
#include <string>
#include <string_view>

// The head of the request (request line and header fields) may be this long at most.
inline constexpr std::size_t kMaxRedirectHeadBytes = 8 * 1024;
inline constexpr std::size_t kMaxRedirectParameters = 32;
// The longest code taken; providers' codes are far shorter.
inline constexpr std::size_t kMaxAuthorizationCodeBytes = 4096;
// The provider's error text is cut to this many characters.
inline constexpr std::size_t kMaxRedirectReasonChars = 200;

struct TRedirect {
  enum class TKind {
    Incomplete,  // the head has not ended yet: read on
    Code,        // Code holds the authorization code
    Refused,     // Reason says why, one line of code page 932 text
  };
  TKind Kind = TKind::Incomplete;
  std::string Code;
  std::string Reason;
};

// The request's bytes as received so far. Refused: a head past kMaxRedirectHeadBytes, a method
// other than GET, another path than expectedPath, a malformed query, a state other than
// expectedState, an error parameter (its error and error_description, printable ASCII only, become
// the Reason), or no code.
TRedirect ReadRedirect(std::string_view requestBytes, std::string_view expectedPath, std::string_view expectedState);

// The whole HTTP/1.1 response, closing the connection: a short Japanese page (UTF-8) saying the
// sign-in is over and the page may be closed, or that it was refused.
std::string RedirectReply(bool ok);
