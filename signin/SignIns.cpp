#include "signin/SignIns.h"

#include <windows.h>

#include "signin/portable/AuthorizeUrl.h"
#include "signin/portable/TokenFile.h"
#include "signin/SecretStore.h"
#include "signin/TokenRequest.h"
#include "mailbox/portable/Login.h"
#include "toolkit/Text.h"

TSignIns::TSignIns(TMessagePump& pump) : Waiting(pump, WaitMs) {}

TSignIns::TAccount& TSignIns::Account(const std::string& provider, const std::string& user) {
  const TKey key{provider, user};
  if (const auto found = Accounts.find(key); found != Accounts.end()) return found->second;
  std::string refresh;
  std::vector<TTokenRecord> records;
  // A file that cannot be read now is this check's failure, with its reason; the next check reads it again.
  try {
    records = Tokens.Records();
  } catch (const Exception& e) {
    throw ERefusal(e.message());
  }
  if (const TTokenRecord* record = FindTokenRecord(records, provider, user)) {
    // A blob that does not open (another user's file, or one changed) is no sign-in.
    try {
      refresh = Unprotect(record->Blob);
    } catch (const Exception&) {
      refresh.clear();
    }
  }
  return Accounts.emplace(key, TAccount{TTokenState(refresh), false}).first->second;
}

std::optional<std::string> TSignIns::AccessToken(const std::string& provider, const std::string& user,
                                                 TProtocol protocol, int32_t timeOutMs) {
  TAccount& account = Account(provider, user);
  const TProvider* known = FindProvider(Known, provider);
  if (!known) throw ERefusal("サインイン先 " + provider + " が見つかりません。");
  if (account.State.Blocked()) {
    if (account.Told) return std::nullopt;
    account.Told = true;
    const std::string& cause = account.State.BlockedReason();
    throw ERefusal(cause.empty() ? std::string(kSignInAgainText) + "。" : std::string(kSignInAgainText) + "（" + cause + "）。");
  }
  if (!account.State.NeedsRefresh(GetTickCount64())) return account.State.AccessToken();
  const TTokenResponse response = Ask(*known, RefreshTokenRequest(*known, account.State.RefreshToken(), protocol), timeOutMs);
  if (response.Error && *response.Error == "invalid_grant") {
    account.State.InvalidGrant(response.ErrorDescription.value_or(*response.Error));
    Save(provider, user, account);
    account.Told = true;
    throw ERefusal(std::string(kSignInAgainText) + "（" + account.State.BlockedReason() + "）。");
  }
  if (response.Error) throw ERefusal("サインイン先がトークンを拒否しました（" + *response.Error + "）。");
  account.State.Received(response, GetTickCount64());
  if (account.State.RefreshTokenChanged()) Save(provider, user, account);
  return account.State.AccessToken();
}

void TSignIns::Refused(const std::string& provider, const std::string& user) { Account(provider, user).State.Refused(); }

void TSignIns::SignedIn(const std::string& provider, const std::string& user, const TTokenResponse& response) {
  TAccount& account = Account(provider, user);
  account.State.SignedIn(response, GetTickCount64());
  account.Told = false;
  Save(provider, user, account);
}

TTokenResponse TSignIns::Ask(const TProvider& provider, const std::string& body, int32_t timeOutMs) {
  WaitMs = timeOutMs;
  const TTokenRequest request(Widen(provider.TokenUrl), body, static_cast<DWORD>(timeOutMs > 0 ? timeOutMs : 0));
  TWaitEnd end = TWaitEnd::Done;
  {
    TWait::TArmed armed(Waiting);
    end = Waiting.Until([&request] { return request.Done(); });
  }
  if (end != TWaitEnd::Done) {
    Waiting.TakeCancel();
    throw ERefusal("サインイン先の応答がありません。");
  }
  TTokenRequest::TReply reply;
  try {
    reply = request.Result();
  } catch (const Exception& e) {
    throw ERefusal("サインイン先に接続できません（" + e.message() + "）。");
  }
  // An error answer (400 and the like) carries its reason in the body as well.
  return ReadTokenResponse(reply.Body);
}

// The newest refresh token replaces the old at once: a rotated one that is lost cannot be had again.
void TSignIns::Save(const std::string& provider, const std::string& user, TAccount& account) {
  Tokens.Change([&](std::vector<TTokenRecord>& records) {
    if (account.State.RefreshToken().empty()) {
      RemoveTokenRecord(records, provider, user);
    } else {
      PutTokenRecord(records, {provider, user, Protect(account.State.RefreshToken())});
    }
  });
  account.State.Saved();
}
