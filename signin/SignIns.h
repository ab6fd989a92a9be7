#pragma once
// The accounts that sign in with OAuth 2.0, between checks: each one's tokens, its refresh token kept
// encrypted for the Windows user in tokens.dat (written whole at each change, as the other files
// are), and the access token a check logs in with, refreshed at the provider when it is due. A
// provider that refuses the grant stops that account until the user signs in again.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "signin/portable/Providers.h"
#include "signin/portable/TokenState.h"
#include "signin/TokenStore.h"
#include "toolkit/portable/MessagePump.h"
#include "transport/portable/TlsRules.h"
#include "transport/Wait.h"

// What the user is told of an account that has to sign in (again).
inline constexpr const char* kSignInAgainText = "サインインし直してください";

class TSignIns {
public:
  // Waits for the provider dispatch messages through `pump`.
  explicit TSignIns(TMessagePump& pump);

  // Where the refresh tokens are kept; read at the first use.
  void SetFile(std::string path) { Tokens.SetFile(std::move(path)); }
  // The file's one writer, also for what else the program keeps in it.
  TTokenStore& Store() { return Tokens; }
  void SetProviders(std::vector<TProvider> providers) { Known = std::move(providers); }
  const std::vector<TProvider>& Providers() const { return Known; }

  // The access token to log in with, refreshed first when due; the wait for the provider is bounded
  // by timeOutMs. Nothing for an account that must sign in again and was told so already: it is
  // not to be contacted. Raises ERefusal with the reason the user is shown.
  std::optional<std::string> AccessToken(const std::string& provider, const std::string& user, TProtocol protocol,
                                         int32_t timeOutMs);
  // The server refused the access token: the next AccessToken refreshes it.
  void Refused(const std::string& provider, const std::string& user);
  // A completed sign-in: its tokens, kept and saved at once.
  void SignedIn(const std::string& provider, const std::string& user, const TTokenResponse& response);
  // The program is leaving: a wait for the provider ends at once.
  void Cancel() { Waiting.Cancel(); }

private:
  struct TAccount {
    TTokenState State;
    bool Told = false;  // the user was told to sign in again
  };
  using TKey = std::pair<std::string, std::string>;

  TAccount& Account(const std::string& provider, const std::string& user);
  // The provider's answer to a token request, or its failure raised as ERefusal.
  TTokenResponse Ask(const TProvider& provider, const std::string& body, int32_t timeOutMs);
  void Save(const std::string& provider, const std::string& user, TAccount& account);

  TTokenStore Tokens;
  std::vector<TProvider> Known;
  std::map<TKey, TAccount> Accounts;
  int32_t WaitMs = 0;
  TWait Waiting;
};
