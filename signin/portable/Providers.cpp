#include "signin/portable/Providers.h"

#include <algorithm>
#include <cctype>

#include "toolkit/portable/Exception.h"

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool Printable(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

// RFC 6749 section 3.3: a scope token is printable ASCII without blank, '"' and '\'.
bool ScopeToken(std::string_view text) { return Printable(text) && text.find_first_of("\"\\") == text.npos; }

bool HostName(std::string_view text) {
  return text.size() <= 253 && std::all_of(text.begin(), text.end(), [](char c) {
           return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
         });
}

// An absolute https URL with a host; no fragment (RFC 6749 section 3.1).
bool HttpsUrl(std::string_view text) {
  if (!Printable(text) || Upper(text.substr(0, 8)) != "HTTPS://") return false;
  return text.size() > 8 && text.find_first_of("/?#", 8) != 8 && text.find('#') == text.npos;
}

std::vector<TProvider> BuiltIns() {
  TProvider microsoft;
  microsoft.Name = "Microsoft";
  microsoft.AuthorizeUrl = "https://login.microsoftonline.com/common/oauth2/v2.0/authorize";
  microsoft.TokenUrl = "https://login.microsoftonline.com/common/oauth2/v2.0/token";
  microsoft.ClientId = PELMORA_OAUTH_CLIENT_ID_MICROSOFT;
  microsoft.ImapScopes = {"https://outlook.office.com/IMAP.AccessAsUser.All", "offline_access"};
  microsoft.Pop3Scopes = {"https://outlook.office.com/POP.AccessAsUser.All", "offline_access"};
  microsoft.ImapHost = "outlook.office365.com";
  microsoft.Pop3Host = "outlook.office365.com";

  TProvider google;
  google.Name = "Google";
  google.AuthorizeUrl = "https://accounts.google.com/o/oauth2/v2/auth";
  google.TokenUrl = "https://oauth2.googleapis.com/token";
  google.ClientId = PELMORA_OAUTH_CLIENT_ID_GOOGLE;
  google.ClientSecret = PELMORA_OAUTH_CLIENT_SECRET_GOOGLE;
  google.ImapScopes = {"https://mail.google.com/"};
  google.Pop3Scopes = {"https://mail.google.com/"};
  google.ImapHost = "imap.gmail.com";
  google.Pop3Host = "pop.gmail.com";
  return {microsoft, google};
}

[[noreturn]] void WrongKey(std::string_view key) {
  throw Exception("Pelmora.ini の [OAUTH] の " + std::string(key) + " が正しくありません。");
}

// The section's pairs by upper-cased key, each checked for size and taken once.
class TSection {
public:
  explicit TSection(const TIniPairs& pairs) {
    if (pairs.size() > kMaxOauthKeys) throw Exception("Pelmora.ini の [OAUTH] のキーが多すぎます。");
    for (const auto& [key, value] : pairs) {
      const std::string name = Upper(key);
      if (name.size() > kMaxOauthValueBytes || value.size() > kMaxOauthValueBytes || !Printable(name)) WrongKey(name);
      if (std::any_of(Pairs.begin(), Pairs.end(), [&](const auto& pair) { return pair.first == name; })) WrongKey(name);
      Pairs.emplace_back(name, value);
    }
  }

  // The value of `key`, "" when absent; a value must be printable.
  std::string Take(const std::string& key) {
    const auto pair = std::find_if(Pairs.begin(), Pairs.end(), [&](const auto& p) { return p.first == key; });
    if (pair == Pairs.end()) return {};
    std::string value = pair->second;
    Pairs.erase(pair);
    if (!Printable(value)) WrongKey(key);
    return value;
  }

  std::string TakeRequired(const std::string& key) {
    std::string value = Take(key);
    if (value.empty()) throw Exception("Pelmora.ini の [OAUTH] に " + key + " がありません。");
    return value;
  }

  // Space-separated: printability is not asked of the whole value, only of each scope.
  std::vector<std::string> TakeScopes(const std::string& key) {
    const auto pair = std::find_if(Pairs.begin(), Pairs.end(), [&](const auto& p) { return p.first == key; });
    if (pair == Pairs.end()) return {};
    const std::string value = pair->second;
    Pairs.erase(pair);
    std::vector<std::string> scopes;
    std::size_t pos = 0;
    while ((pos = value.find_first_not_of(' ', pos)) != value.npos) {
      const std::size_t end = std::min(value.find(' ', pos), value.size());
      scopes.push_back(value.substr(pos, end - pos));
      if (!ScopeToken(scopes.back()) || scopes.size() > kMaxScopes) WrongKey(key);
      pos = end;
    }
    return scopes;
  }

  // What is left was not asked for: a misspelt key, or one of a provider not named by PROVIDER.
  void RequireAllTaken() const {
    if (!Pairs.empty()) WrongKey(Pairs.front().first);
  }

private:
  std::vector<std::pair<std::string, std::string>> Pairs;
};

void TakeClient(TSection& section, TProvider& provider) {
  const std::string prefix = Upper(provider.Name);
  if (std::string id = section.Take(prefix + "_CLIENT_ID"); !id.empty()) provider.ClientId = std::move(id);
  if (std::string secret = section.Take(prefix + "_CLIENT_SECRET"); !secret.empty()) provider.ClientSecret = std::move(secret);
}

TProvider OwnProvider(TSection& section, std::string name, const std::vector<TProvider>& builtIns) {
  const bool wellFormed = !name.empty() && name.size() <= kMaxProviderNameChars &&
                          std::all_of(name.begin(), name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
  // "password" names the stored passwords beside the tokens.
  if (!wellFormed || FindProvider(builtIns, name) || Upper(name) == "PASSWORD") WrongKey("PROVIDER");
  TProvider provider;
  provider.Name = std::move(name);
  const std::string prefix = Upper(provider.Name) + "_";
  provider.AuthorizeUrl = section.TakeRequired(prefix + "AUTHORIZE");
  if (!HttpsUrl(provider.AuthorizeUrl)) WrongKey(prefix + "AUTHORIZE");
  provider.TokenUrl = section.TakeRequired(prefix + "TOKEN");
  if (!HttpsUrl(provider.TokenUrl)) WrongKey(prefix + "TOKEN");
  TakeClient(section, provider);
  if (provider.ClientId.empty()) section.TakeRequired(prefix + "CLIENT_ID");
  provider.ImapScopes = section.TakeScopes(prefix + "SCOPES_IMAP");
  provider.Pop3Scopes = section.TakeScopes(prefix + "SCOPES_POP3");
  if (provider.ImapScopes.empty() && provider.Pop3Scopes.empty()) section.TakeRequired(prefix + "SCOPES_IMAP");
  provider.ImapHost = section.Take(prefix + "IMAP_HOST");
  if (!HostName(provider.ImapHost)) WrongKey(prefix + "IMAP_HOST");
  provider.Pop3Host = section.Take(prefix + "POP3_HOST");
  if (!HostName(provider.Pop3Host)) WrongKey(prefix + "POP3_HOST");
  return provider;
}

}  // namespace

std::vector<TProvider> Providers(const TIniPairs& oauthSection) {
  TSection section(oauthSection);
  std::vector<TProvider> providers = BuiltIns();
  for (TProvider& provider : providers) TakeClient(section, provider);
  if (std::string own = section.Take("PROVIDER"); !own.empty()) {
    providers.push_back(OwnProvider(section, std::move(own), providers));
  }
  section.RequireAllTaken();
  return providers;
}

const TProvider* FindProvider(const std::vector<TProvider>& providers, std::string_view name) {
  const std::string upper = Upper(name);
  const auto found = std::find_if(providers.begin(), providers.end(),
                                  [&](const TProvider& provider) { return Upper(provider.Name) == upper; });
  return found == providers.end() ? nullptr : &*found;
}
