#pragma once
// What a token endpoint answers (RFC 6749 sections 5.1 and 5.2), read from its JSON body. No
// Windows API.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A token longer than this is refused; providers' tokens are a few kilobytes at most.
inline constexpr std::size_t kMaxTokenBytes = 16 * 1024;
// error and error_description are cut to this many characters.
inline constexpr std::size_t kMaxTokenErrorChars = 200;

struct TTokenResponse {
  std::optional<std::string> AccessToken, RefreshToken;
  // Printable ASCII only, whatever the provider sent.
  std::optional<std::string> Error, ErrorDescription;
  // Seconds, as sent (a number or a string of digits), saturated at int64's ends.
  std::optional<int64_t> ExpiresIn;
};

// The body's members that matter. Malformed JSON, a body that is not an object, one of these
// members of the wrong type, or a token holding anything but printable ASCII or past
// kMaxTokenBytes throws Exception("Malformed token response").
TTokenResponse ReadTokenResponse(std::string_view body);
