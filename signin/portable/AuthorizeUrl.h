#pragma once
// What the sign-in sends: the authorization URL the browser opens (RFC 6749 section 4.1.1 with
// PKCE) and the token endpoint's request bodies (application/x-www-form-urlencoded). Every value is
// percent-encoded. No Windows API.
#include <string>
#include <vector>

#include "signin/portable/Providers.h"
#include "transport/portable/TlsRules.h"

// The scopes of the provider for that protocol; a provider without any for it throws Exception.
const std::vector<std::string>& ScopesFor(const TProvider& provider, TProtocol protocol);

// login_hint is left out when empty. A provider without a client id throws Exception: the sign-in
// cannot start.
std::string AuthorizeUrl(const TProvider& provider, TProtocol protocol, const std::string& redirectUri,
                         const std::string& state, const std::string& challenge, const std::string& loginHint);

// The code of the redirect exchanged for tokens.
std::string CodeTokenRequest(const TProvider& provider, const std::string& code, const std::string& redirectUri,
                             const std::string& verifier);

// A new access token (and perhaps a new refresh token) for the refresh token.
std::string RefreshTokenRequest(const TProvider& provider, const std::string& refreshToken, TProtocol protocol);
