#pragma once
// Base64 (RFC 4648): the standard alphabet with padding, as SASL and stored files use it, and the
// URL-safe alphabet without padding, as OAuth's PKCE and state use it. No Windows API.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

enum class TBase64 {
  Standard,     // A-Z a-z 0-9 + /, padded with '=' to a multiple of four
  UrlUnpadded,  // A-Z a-z 0-9 - _, no padding
};

// 0 to 63 for a digit of the standard alphabet, -1 for any other character.
int Base64DigitValue(char c);

std::string Base64(std::string_view bytes, TBase64 form = TBase64::Standard);

// The bytes of standard Base64 text, padded or not; nothing for any other character, a length no
// encoding gives, or a text longer than maxText (so a caller's bound holds before anything is
// decoded).
std::optional<std::string> DecodeBase64(std::string_view text, std::size_t maxText);
