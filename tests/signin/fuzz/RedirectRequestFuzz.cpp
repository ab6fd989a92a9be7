// Fuzz target for what reaches the sign-in's loopback port: the input is the request's bytes, read
// for the path "/" and the state "fuzz-state". Beyond not crashing:
// - the request is incomplete exactly while its head has not ended within the bound;
// - a code comes only with the state, never empty or past its bound, and only from a GET of "/";
// - a refusal's reason is one line without control characters, within its bound.
#include <cstdint>
#include <string_view>

#include "signin/portable/Redirect.h"
#include "tests/fuzz/FuzzProperty.h"

namespace {

using fuzz::Require;

void Run(std::string_view request) {
  const TRedirect redirect = ReadRedirect(request, "/", "fuzz-state");
  const bool headEnded = request.substr(0, kMaxRedirectHeadBytes + 4).find("\r\n\r\n") != std::string_view::npos;
  const bool incomplete = !headEnded && request.size() < kMaxRedirectHeadBytes + 4;
  Require((redirect.Kind == TRedirect::TKind::Incomplete) == incomplete, "incomplete until the head ends");
  if (redirect.Kind == TRedirect::TKind::Code) {
    Require(!redirect.Code.empty() && redirect.Code.size() <= kMaxAuthorizationCodeBytes, "a code within its bound");
    Require(request.starts_with("GET /") && request.find("state=") != std::string_view::npos, "a code only from a GET with a state");
    Require(redirect.Reason.empty(), "a code has no reason");
  } else {
    Require(redirect.Code.empty(), "no code without the state");
  }
  if (redirect.Kind == TRedirect::TKind::Refused) {
    Require(!redirect.Reason.empty() && redirect.Reason.size() <= kMaxRedirectReasonChars, "a reason within its bound");
    for (const char c : redirect.Reason) Require(c == '\t' || static_cast<unsigned char>(c) >= 0x20, "a reason is one line");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Run(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
