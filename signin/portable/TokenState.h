#pragma once
// The tokens of one account (provider and user) between checks: when to refresh the access token,
// when a rotated refresh token must be saved, and when the account must sign in again. Times are
// milliseconds of a clock that does not go back (the caller's tick count). No Windows API.
#include <cstdint>
#include <string>

#include "signin/portable/TokenResponse.h"

// A lifetime the provider does not name is taken as an hour, as the big providers give.
inline constexpr int64_t kDefaultTokenSeconds = 3600;
// A longer lifetime is taken as a day: a token is then refreshed at least that often.
inline constexpr int64_t kMaxTokenSeconds = 24 * 3600;

class TTokenState {
public:
  // The refresh token tokens.dat kept for the account; empty when it has none.
  explicit TTokenState(std::string refreshToken = {});

  // The tokens of a completed sign-in; a response without an access or a refresh token throws
  // Exception. Marks the refresh token to be saved.
  void SignedIn(const TTokenResponse& response, uint64_t nowMs);
  // The tokens of a refresh: the access token and its expiry; a refresh token in the response
  // replaces the kept one and, when it differs, marks it to be saved. A response without an access
  // token throws Exception.
  void Received(const TTokenResponse& response, uint64_t nowMs);

  // No access token, 80 % of its life gone, or a clock that went back.
  bool NeedsRefresh(uint64_t nowMs) const;
  const std::string& AccessToken() const { return Access; }

  // The server refused the access token: the next use refreshes.
  void Refused() { Access.clear(); }

  // The provider answered invalid_grant: both tokens are dropped (the store then forgets the
  // refresh token, marked to be saved) and the account waits for SignedIn.
  void InvalidGrant(std::string reason);
  // No refresh token: never signed in, or refused since; nothing is to be asked of the provider.
  bool Blocked() const { return Refresh.empty(); }
  // Why the last refresh was refused; empty otherwise.
  const std::string& BlockedReason() const { return Reason; }

  // The refresh token to save; saving an empty one removes the account's record.
  const std::string& RefreshToken() const { return Refresh; }
  bool RefreshTokenChanged() const { return Changed; }
  void Saved() { Changed = false; }

private:
  std::string Access;
  std::string Refresh;
  std::string Reason;
  uint64_t ReceivedMs = 0;
  uint64_t RefreshAtMs = 0;
  bool Changed = false;
};
