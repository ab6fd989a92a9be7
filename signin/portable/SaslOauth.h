#pragma once
// Logging in with an access token: the initial responses of SASL XOAUTH2 and OAUTHBEARER (RFC 7628)
// and the reason a provider gives in its error challenge. No Windows API.
#include <cstddef>
#include <string>
#include <string_view>

// An error challenge longer than this is not decoded.
inline constexpr std::size_t kMaxOauthChallengeBytes = 4096;
// Each of the challenge's values shown is cut to this many characters.
inline constexpr std::size_t kMaxOauthReasonValueChars = 100;

// base64("user=" user "\x01auth=Bearer " token "\x01\x01").
std::string Xoauth2(std::string_view user, std::string_view accessToken);

// base64("n,a=" user "," "\x01auth=Bearer " token "\x01\x01"), with "," and "=" in the user name
// written as "=2C" and "=3D" (RFC 5801's saslname).
std::string OauthBearer(std::string_view user, std::string_view accessToken);

// The reason line (code page 932) for the provider's error challenge, base64 of a JSON object with
// status, schemes and scope: its status and scope as printable ASCII, never anything else of it.
// A challenge that does not decode gives the reason without them.
std::string OauthErrorReason(std::string_view base64Challenge);
