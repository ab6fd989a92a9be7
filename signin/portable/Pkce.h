#pragma once
// Proof Key for Code Exchange (RFC 7636, method S256) and the sign-in's state value, made from
// random bytes that the caller draws from the system. No Windows API.
#include <string>
#include <string_view>

// Base64 with the URL-safe alphabet and no padding (RFC 4648 section 5).
std::string Base64Url(std::string_view bytes);

struct TPkce {
  std::string Verifier;   // sent with the code to the token endpoint
  std::string Challenge;  // sent in the authorization URL
};

// From exactly 32 random bytes (a 43-character verifier); another length throws Exception.
TPkce MakePkce(std::string_view random32);

// The state that ties the redirect to this sign-in, from exactly 16 random bytes; another length
// throws Exception.
std::string MakeState(std::string_view random16);
