#include "signin/portable/AuthorizeUrl.h"

#include <utility>

#include "toolkit/portable/Percent.h"
#include "toolkit/portable/Exception.h"

namespace {

using TFields = std::vector<std::pair<const char*, std::string>>;

std::string Form(const TFields& fields) {
  std::string text;
  for (const auto& [name, value] : fields) {
    if (!text.empty()) text += '&';
    text.append(name).append(1, '=').append(PercentEncode(value, Unreserved));
  }
  return text;
}

std::string Joined(const std::vector<std::string>& scopes) {
  std::string text;
  for (const std::string& scope : scopes) text.append(text.empty() ? "" : " ").append(scope);
  return text;
}

// The client's own fields, which every token request ends with.
void AddClient(TFields& fields, const TProvider& provider) {
  fields.emplace_back("client_id", provider.ClientId);
  if (!provider.ClientSecret.empty()) fields.emplace_back("client_secret", provider.ClientSecret);
}

}  // namespace

const std::vector<std::string>& ScopesFor(const TProvider& provider, TProtocol protocol) {
  const std::vector<std::string>& scopes = protocol == TProtocol::Imap ? provider.ImapScopes : provider.Pop3Scopes;
  if (scopes.empty()) {
    throw Exception(provider.Name + " では " + (protocol == TProtocol::Imap ? "IMAP" : "POP3") + " にサインインできません。");
  }
  return scopes;
}

std::string AuthorizeUrl(const TProvider& provider, TProtocol protocol, const std::string& redirectUri,
                         const std::string& state, const std::string& challenge, const std::string& loginHint) {
  if (provider.ClientId.empty()) {
    throw Exception(provider.Name + " のクライアント ID がありません。Pelmora.ini の [OAUTH] で指定してください。");
  }
  TFields fields = {{"response_type", "code"},
                    {"client_id", provider.ClientId},
                    {"redirect_uri", redirectUri},
                    {"scope", Joined(ScopesFor(provider, protocol))},
                    {"state", state},
                    {"code_challenge", challenge},
                    {"code_challenge_method", "S256"}};
  if (!loginHint.empty()) fields.emplace_back("login_hint", loginHint);
  const char separator = provider.AuthorizeUrl.find('?') == std::string::npos ? '?' : '&';
  return provider.AuthorizeUrl + separator + Form(fields);
}

std::string CodeTokenRequest(const TProvider& provider, const std::string& code, const std::string& redirectUri,
                             const std::string& verifier) {
  TFields fields = {{"grant_type", "authorization_code"},
                    {"code", code},
                    {"redirect_uri", redirectUri},
                    {"code_verifier", verifier}};
  AddClient(fields, provider);
  return Form(fields);
}

std::string RefreshTokenRequest(const TProvider& provider, const std::string& refreshToken, TProtocol protocol) {
  TFields fields = {{"grant_type", "refresh_token"},
                    {"refresh_token", refreshToken},
                    {"scope", Joined(ScopesFor(provider, protocol))}};
  AddClient(fields, provider);
  return Form(fields);
}
