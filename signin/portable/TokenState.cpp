#include "signin/portable/TokenState.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "toolkit/portable/Exception.h"

TTokenState::TTokenState(std::string refreshToken) : Refresh(std::move(refreshToken)) {}

void TTokenState::SignedIn(const TTokenResponse& response, uint64_t nowMs) {
  if (!response.RefreshToken) throw Exception("サインインの応答にリフレッシュトークンがありません。");
  Received(response, nowMs);
  Reason.clear();
  // A new sign-in is saved even with the token the store holds: the record may be gone.
  Changed = true;
}

void TTokenState::Received(const TTokenResponse& response, uint64_t nowMs) {
  if (!response.AccessToken) throw Exception("サインインの応答にアクセストークンがありません。");
  Access = *response.AccessToken;
  if (response.RefreshToken && *response.RefreshToken != Refresh) {
    Refresh = *response.RefreshToken;
    Changed = true;
  }
  const int64_t seconds = std::clamp<int64_t>(response.ExpiresIn.value_or(kDefaultTokenSeconds), 0, kMaxTokenSeconds);
  // 80 % of the life in milliseconds: seconds * 1000 * 8 / 10.
  const uint64_t refreshAfter = static_cast<uint64_t>(seconds) * 800;
  ReceivedMs = nowMs;
  RefreshAtMs = nowMs > std::numeric_limits<uint64_t>::max() - refreshAfter ? std::numeric_limits<uint64_t>::max()
                                                                           : nowMs + refreshAfter;
}

bool TTokenState::NeedsRefresh(uint64_t nowMs) const {
  return Access.empty() || nowMs >= RefreshAtMs || nowMs < ReceivedMs;
}

void TTokenState::InvalidGrant(std::string reason) {
  Access.clear();
  Changed = Changed || !Refresh.empty();
  Refresh.clear();
  Reason = std::move(reason);
}
