#pragma once
// SHA-256 (FIPS 180-4), for the PKCE challenge. No Windows API.
#include <string>
#include <string_view>

// The 32-byte digest of `bytes`.
std::string Sha256(std::string_view bytes);
