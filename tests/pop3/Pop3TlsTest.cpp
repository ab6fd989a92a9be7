// The POP3 session over TLS against the private Dovecot of scripts/test: TLS on 995 and STLS on 110
// with the test CA's certificate for localhost, and each reason a secure connection fails, none of
// them with a password sent (the server's log names every login attempt's user).
#include <gtest/gtest.h>

#include <string>

#include "pop3/Pop3Client.h"
#include "tests/support/DovecotLog.h"
#include "tests/support/TestCa.h"

namespace {

using namespace testsupport;

class Pop3Tls : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(TestTlsFolder().empty()) << "PELMORA_DOVECOT_TLS is not set: run through scripts/test";
    TrustTestCa();
    Client.TimeOut = 10000;
  }

  int32_t Check(const std::string& host, TSecurity security, int32_t port, const std::string& user,
                const std::string& password) {
    Client.Host = host;
    Client.Security = security;
    Client.Port = port;
    Client.UserID = user;
    Client.Password = password;
    Client.Connect();
    const int32_t count = Client.MessageCount();
    Client.Disconnect();
    return count;
  }

  // The reason of the failed check; the user is one the server has never seen, so that any login
  // attempt would show in its log.
  std::string FailureOf(const std::string& host, TSecurity security, int32_t port, const std::string& user) {
    std::string reason = "(no failure)";
    try {
      Check(host, security, port, user, "secret");
    } catch (const ETlsError& e) {
      reason = e.message();
    }
    EXPECT_FALSE(Client.Connected());
    EXPECT_EQ(DovecotLog().find(user), std::string::npos) << "the server saw a login attempt";
    return reason;
  }

  TPOP3Client Client;
};

}  // namespace

TEST_F(Pop3Tls, TlsOnPort995CountsTheMailbox) {
  EXPECT_EQ(Check("localhost", TSecurity::Tls, 995, "pelmora1", "secret1"), 3);
  ASSERT_FALSE(LoginLines("pelmora1").empty());
  EXPECT_NE(LoginLines("pelmora1").back().find(", TLS"), std::string::npos) << LoginLines("pelmora1").back();
}

TEST_F(Pop3Tls, StartTlsOnPort110CountsTheMailbox) {
  EXPECT_EQ(Check("localhost", TSecurity::StartTls, 110, "pelmora1", "secret1"), 3);
  EXPECT_NE(LoginLines("pelmora1").back().find(", TLS"), std::string::npos) << LoginLines("pelmora1").back();
  // The same client goes on in plain with the next account.
  EXPECT_EQ(Check("127.0.0.1", TSecurity::None, 110, "pelmora1", "secret1"), 3);
  EXPECT_EQ(LoginLines("pelmora1").back().find(", TLS"), std::string::npos);
}

TEST_F(Pop3Tls, ACertificateOfAnUnknownCaIsNotTrusted) {
  EXPECT_EQ(FailureOf("127.0.0.11", TSecurity::Tls, 995, "tls-untrusted"), TlsFailureText(TTlsFailure::Untrusted));
}

TEST_F(Pop3Tls, ACertificateForAnotherNameDoesNotMatchTheHost) {
  // The server's certificate names localhost, not the address the client asked for.
  EXPECT_EQ(FailureOf("127.0.0.1", TSecurity::StartTls, 110, "tls-wrong-host"),
            TlsFailureText(TTlsFailure::HostMismatch));
}

TEST_F(Pop3Tls, AnExpiredCertificateHasExpired) {
  EXPECT_EQ(FailureOf("127.0.0.12", TSecurity::Tls, 995, "tls-expired"), TlsFailureText(TTlsFailure::Expired));
}

TEST_F(Pop3Tls, AServerWithoutStlsFailsTheCheckInsteadOfGoingOnInClear) {
  EXPECT_EQ(FailureOf("127.0.0.13", TSecurity::StartTls, 110, "tls-no-stls"), TlsFailureText(TTlsFailure::NoStartTls));
}
