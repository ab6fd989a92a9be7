// The sign-in from start to tokens.dat against the test provider of scripts/test, with the tests'
// browser following (or tampering with) the redirect.
#include "signin/SignInFlow.h"

#include <gtest/gtest.h>

#include <string>

#include "desktop/Shell.h"
#include "signin/SecretStore.h"
#include "signin/SignIns.h"
#include "signin/portable/TokenFile.h"
#include "tests/pop3/Pumping.h"
#include "tests/support/OauthBench.h"
#include "tests/support/TestCa.h"
#include "toolkit/Files.h"
#include "toolkit/IniFile.h"
#include "toolkit/Text.h"

namespace {

// The tests' browser and the provider's token request together take a few seconds under Wine.
constexpr DWORD kSettleMs = 30000;

class SignInFlowTest : public testing::Test {
protected:
  void SetUp() override {
    if (testsupport::OauthUrl().empty()) GTEST_SKIP() << "needs the test provider of scripts/test";
    testsupport::TrustTestCa();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    Folder = Narrow(temp) + "PelmoraSignInFlow" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(Widen(Folder).c_str(), nullptr);
    const std::string ini = Folder + "\\Pelmora.ini";
    ASSERT_TRUE(ReplaceWholeFile(ini, testsupport::TestProviderSection()));
    SignIns.SetProviders(Providers(TIniFile(ini).ReadSection("OAUTH")));
    SignIns.SetFile(TokenFile());
    DeleteFileW(Widen(ini).c_str());
  }
  void TearDown() override {
    for (const char* user : {"cancelled", "late"}) testsupport::SetBrowserMode(user, "");
    DeleteFileW(Widen(TokenFile()).c_str());
    RemoveDirectoryW(Widen(Folder).c_str());
  }

  std::string TokenFile() const { return Folder + "\\tokens.dat"; }
  std::string TokenBytes() const {
    std::string bytes;
    ReadWholeFile(TokenFile(), bytes);
    return bytes;
  }
  // The flow of one user, with the browser acting as `mode` says, waited for until it settles.
  void SignIn(TSignInFlow& flow, const std::string& user, const char* mode) {
    testsupport::SetBrowserMode(user, mode);
    flow.Start(nullptr, testsupport::kTestProvider, TProtocol::Imap, user);
    EXPECT_EQ(flow.Stage(), TSignInFlow::TStage::Browser);
    EXPECT_EQ(flow.Text(), "ブラウザーでサインインしています...");
    EXPECT_TRUE(PumpUntil([&flow] { return !flow.Waiting(); }, kSettleMs)) << "still: " << flow.Text();
    testsupport::SetBrowserMode(user, "");
  }

  std::string Folder;
  TSignIns SignIns{Application()};
};

TEST_F(SignInFlowTest, TheBrowserFollowingSignsInAndTokensDatKeepsTheRefreshTokenEncrypted) {
  TSignInFlow flow(SignIns, SystemShell());
  int changes = 0;
  flow.OnChange = [&changes](TSignInFlow*) { ++changes; };
  const std::string user = "flow" + std::to_string(GetTickCount64());
  SignIn(flow, user, "follow");
  EXPECT_EQ(flow.Stage(), TSignInFlow::TStage::SignedIn);
  EXPECT_EQ(flow.Text(), "サインインしました。");
  EXPECT_EQ(changes, 3) << "browser, exchange, signed in";

  const std::vector<TTokenRecord> records = ParseTokenFile(TokenBytes());
  const TTokenRecord* record = FindTokenRecord(records, testsupport::kTestProvider, user);
  ASSERT_NE(record, nullptr);
  const std::string refresh = Unprotect(record->Blob);
  ASSERT_FALSE(refresh.empty());
  EXPECT_EQ(TokenBytes().find(refresh), std::string::npos);
  // The access token of the exchange serves the first check without another request.
  const TJson before = testsupport::OauthControl("");
  EXPECT_EQ(testsupport::OauthUserCount(before, user, "authorization_code"), 1);
  EXPECT_TRUE(SignIns.AccessToken(testsupport::kTestProvider, user, TProtocol::Imap, 5000).has_value());
  EXPECT_EQ(testsupport::OauthUserCount(testsupport::OauthControl(""), user, "refresh_token"), 0);
}

// Each refusal ends the sign-in with its reason; no code reaches the token endpoint, nothing is kept.
TEST_F(SignInFlowTest, ARedirectWithAnotherStateAnErrorOrAnotherPathIsRefused) {
  TSignInFlow flow(SignIns, SystemShell());
  const struct {
    const char* Mode;
    const char* Reason;
  } cases[] = {
      {"wrong-state", "サインインの確認値が一致しません。"},
      {"error", "access_denied"},
      {"wrong-path", "ブラウザーからの要求が正しくありません。"},
  };
  const std::string user = "refused" + std::to_string(GetTickCount64());
  for (const auto& refusal : cases) {
    SignIn(flow, user, refusal.Mode);
    EXPECT_EQ(flow.Stage(), TSignInFlow::TStage::Failed);
    EXPECT_EQ(flow.Text(), std::string("ブラウザーからの応答を受け付けませんでした: ") + refusal.Reason);
  }
  EXPECT_EQ(TokenBytes(), "");
  const TJson stats = testsupport::OauthControl("");
  EXPECT_EQ(testsupport::OauthUserCount(stats, user, "authorize"), 3);
  EXPECT_EQ(testsupport::OauthUserCount(stats, user, "authorization_code"), 0);
}

// Cancelled, or past its deadline, the sign-in ends and keeps nothing.
TEST_F(SignInFlowTest, ACancelledOrTimedOutSignInStopsListening) {
  TSignInFlow waited(SignIns, SystemShell());
  for (const char* user : {"cancelled", "late"}) testsupport::SetBrowserMode(user, "ignore");
  waited.Start(nullptr, testsupport::kTestProvider, TProtocol::Pop3, "cancelled");
  ASSERT_TRUE(waited.Waiting());
  waited.Cancel();
  EXPECT_EQ(waited.Stage(), TSignInFlow::TStage::Idle);
  EXPECT_EQ(waited.Text(), "サインインを取り消しました。");

  TSignInFlow late(SignIns, SystemShell(), 300);
  late.Start(nullptr, testsupport::kTestProvider, TProtocol::Pop3, "late");
  EXPECT_TRUE(PumpUntil([&late] { return !late.Waiting(); }, 5000));
  EXPECT_EQ(late.Stage(), TSignInFlow::TStage::Failed);
  EXPECT_EQ(late.Text(), "5 分以内にサインインが終わらなかったため、待つのをやめました。");
  EXPECT_EQ(TokenBytes(), "");
}

TEST_F(SignInFlowTest, WhatCannotStartIsRaisedWithItsReason) {
  TSignInFlow flow(SignIns, SystemShell());
  EXPECT_THROW(flow.Start(nullptr, testsupport::kTestProvider, TProtocol::Imap, ""), Exception);
  EXPECT_THROW(flow.Start(nullptr, "Nowhere", TProtocol::Imap, "someone"), Exception);
  EXPECT_EQ(flow.Stage(), TSignInFlow::TStage::Idle);
}

}  // namespace
