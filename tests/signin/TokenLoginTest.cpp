// Logging in with an access token at the private Dovecot of scripts/test, which asks the test
// provider about it: an account that signs in has no password, and is checked over IMAP and POP3.
#include <gtest/gtest.h>

#include <string>

#include "imap/ImapClient.h"
#include "pop3/Pop3Client.h"
#include "signin/portable/TokenResponse.h"
#include "tests/support/DovecotLog.h"
#include "tests/support/OauthBench.h"
#include "tests/support/TestCa.h"
#include "toolkit/Application.h"

namespace {

using namespace testsupport;

// Shared with the end-to-end tests of tokens, whose counts this test's logins leave alone.
const std::string kUser = "pelmoraoauth6";

class TokenLogin : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(OauthUrl().empty()) << "no test provider: run through scripts/test";
    TrustTestCa();
    const TTokenRequest::TReply reply = OauthPost("/control", "issue=" + kUser);
    ASSERT_EQ(reply.Status, 200);
    Token = ReadTokenResponse(reply.Body).AccessToken.value_or("");
    ASSERT_FALSE(Token.empty());
  }

  // Counts the mailbox as a check does; true when the server logged one more login of the user
  // over XOAUTH2 by `service` ("imap", "pop3").
  bool Checked(TMailboxSession& session, int32_t port, const std::string& service) {
    const std::string mark = service + "-login: Info: Login: user=<" + kUser + ">, method=XOAUTH2";
    const std::size_t before = Occurrences(mark);
    session.SetLogin({"localhost", port, TSecurity::Tls, kUser, "", 10000, Token});
    session.Connect();
    EXPECT_EQ(session.MessageCount(), 0);
    session.Disconnect();
    return Occurrences(mark) == before + 1;
  }

  static std::size_t Occurrences(const std::string& text) {
    const std::string log = DovecotLog();
    std::size_t count = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
  }

  std::string Token;
};

}  // namespace

TEST_F(TokenLogin, AnAccountWithoutAPasswordLogsInWithItsTokenOverImapAndPop3) {
  TImapClient imap{Application()};
  EXPECT_TRUE(Checked(imap, 993, "imap"));
  TPOP3Client pop3{Application()};
  EXPECT_TRUE(Checked(pop3, 995, "pop3"));
}
