#include "signin/portable/TokenState.h"

#include <gtest/gtest.h>

#include <limits>

#include "toolkit/portable/Exception.h"

namespace {

TTokenResponse Tokens(const char* access, std::optional<std::string> refresh, std::optional<int64_t> seconds) {
  TTokenResponse response;
  response.AccessToken = access;
  response.RefreshToken = std::move(refresh);
  response.ExpiresIn = seconds;
  return response;
}

}  // namespace

TEST(TokenState, RefreshesAtEightyPercentAndAfterARefusal) {
  TTokenState state("r0");
  EXPECT_TRUE(state.NeedsRefresh(0));
  state.Received(Tokens("a1", std::nullopt, 5), 10'000);
  EXPECT_EQ(state.AccessToken(), "a1");
  EXPECT_FALSE(state.NeedsRefresh(13'999));
  EXPECT_TRUE(state.NeedsRefresh(14'000));
  EXPECT_TRUE(state.NeedsRefresh(9'999));  // the clock went back
  state.Refused();
  EXPECT_TRUE(state.NeedsRefresh(10'000));
  EXPECT_TRUE(state.AccessToken().empty());

  // A lifetime not given is an hour; a huge one a day; a negative one none, safely.
  state.Received(Tokens("a2", std::nullopt, std::nullopt), 0);
  EXPECT_FALSE(state.NeedsRefresh(2'879'999));
  EXPECT_TRUE(state.NeedsRefresh(2'880'000));
  state.Received(Tokens("a3", std::nullopt, std::numeric_limits<int64_t>::max()), std::numeric_limits<uint64_t>::max() - 5);
  EXPECT_FALSE(state.NeedsRefresh(std::numeric_limits<uint64_t>::max() - 1));
  state.Received(Tokens("a4", std::nullopt, kMaxTokenSeconds * 10), 0);
  EXPECT_TRUE(state.NeedsRefresh(kMaxTokenSeconds * 800));
  state.Received(Tokens("a5", std::nullopt, std::numeric_limits<int64_t>::min()), 1000);
  EXPECT_TRUE(state.NeedsRefresh(1000));
  EXPECT_THROW(state.Received(TTokenResponse(), 0), Exception);
}

TEST(TokenState, MarksARotatedRefreshTokenToBeSavedOnce) {
  TTokenState state("r0");
  state.Received(Tokens("a1", "r0", 3600), 0);
  EXPECT_FALSE(state.RefreshTokenChanged());
  state.Received(Tokens("a2", "r1", 3600), 0);
  EXPECT_EQ(state.RefreshToken(), "r1");
  EXPECT_TRUE(state.RefreshTokenChanged());
  state.Saved();
  EXPECT_FALSE(state.RefreshTokenChanged());
  state.Received(Tokens("a3", std::nullopt, 3600), 0);  // a provider that does not rotate
  EXPECT_EQ(state.RefreshToken(), "r1");
  EXPECT_FALSE(state.RefreshTokenChanged());
}

TEST(TokenState, InvalidGrantBlocksUntilTheUserSignsInAgain) {
  TTokenState state;
  EXPECT_TRUE(state.Blocked());
  EXPECT_THROW(state.SignedIn(Tokens("a0", std::nullopt, 3600), 0), Exception);
  state.SignedIn(Tokens("a1", "r1", 3600), 0);
  EXPECT_FALSE(state.Blocked());
  EXPECT_TRUE(state.RefreshTokenChanged());
  state.Saved();

  state.InvalidGrant("AADSTS50173: password changed");
  EXPECT_TRUE(state.Blocked());
  EXPECT_EQ(state.BlockedReason(), "AADSTS50173: password changed");
  EXPECT_TRUE(state.AccessToken().empty());
  // The store forgets the dead token, so that a restart does not ask with it again.
  EXPECT_TRUE(state.RefreshToken().empty());
  EXPECT_TRUE(state.RefreshTokenChanged());
  state.Saved();

  state.SignedIn(Tokens("a2", "r1", 3600), 0);
  EXPECT_FALSE(state.Blocked());
  EXPECT_TRUE(state.BlockedReason().empty());
  EXPECT_TRUE(state.RefreshTokenChanged());
  EXPECT_FALSE(state.NeedsRefresh(1000));
}
