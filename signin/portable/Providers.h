#pragma once
// The places an account signs in at (OAuth 2.0 authorization servers): the built-in table and what
// the [OAUTH] section of Pelmora.ini adds or changes. No Windows API.
//
// Keys of [OAUTH] (names in any case; every value printable ASCII, at most kMaxOauthValueBytes):
//   MICROSOFT_CLIENT_ID=<id>        another client id for a built-in provider than the build's own
//   GOOGLE_CLIENT_ID=<id>
//   MICROSOFT_CLIENT_SECRET=<text>  the "secret" a provider issues with an installed program's client
//   GOOGLE_CLIENT_SECRET=<text>     id and asks for at the token endpoint (Google does); not secret
//   PROVIDER=<name>                 a provider of one's own: 1 to 32 letters and digits, not the name
//                                   of a built-in one nor "password"; then, with NAME its name in any case:
//   NAME_AUTHORIZE=<url>            its authorization endpoint, https:// (required)
//   NAME_TOKEN=<url>                its token endpoint, https:// (required)
//   NAME_CLIENT_ID=<id>             (required)
//   NAME_CLIENT_SECRET=<text>       (optional)
//   NAME_SCOPES_IMAP=<scope> ...    the scopes asked for an IMAP account, separated by blanks
//   NAME_SCOPES_POP3=<scope> ...    and for a POP3 account (at least one of the two lists)
//   NAME_IMAP_HOST=<host>           the servers the account dialog proposes (optional)
//   NAME_POP3_HOST=<host>
// An empty value counts as absent. Only https:// endpoints are ever accepted.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr std::size_t kMaxOauthKeys = 64;
inline constexpr std::size_t kMaxOauthValueBytes = 2048;
inline constexpr std::size_t kMaxProviderNameChars = 32;
inline constexpr std::size_t kMaxScopes = 16;

struct TProvider {
  std::string Name;  // as accounts name it: "Microsoft", "Google", or the section's PROVIDER
  std::string AuthorizeUrl;
  std::string TokenUrl;
  std::string ClientId;      // empty when the build has none and the section names none
  std::string ClientSecret;  // sent to the token endpoint only when not empty
  std::vector<std::string> ImapScopes;
  std::vector<std::string> Pop3Scopes;
  std::string ImapHost;
  std::string Pop3Host;
};

using TIniPairs = std::vector<std::pair<std::string, std::string>>;

// The built-in providers, then the section's own one if it names one. A key that is unknown, given
// twice or holds what it must not, a provider without a required key, or more than kMaxOauthKeys
// keys throw Exception with a text for the user naming the key; Providers({}) then still gives the
// built-ins.
std::vector<TProvider> Providers(const TIniPairs& oauthSection);

// The provider of that name (in any case), or nullptr.
const TProvider* FindProvider(const std::vector<TProvider>& providers, std::string_view name);
