// The POP3 session against the real server that scripts/test starts (scripts/lib/services.d/dovecot.sh).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "pop3/Pop3Client.h"
#include "toolkit/Application.h"

namespace {
// The maildirs' root as a Windows path through Wine's Z: drive.
std::string MailRoot() {
  const char* root = std::getenv("PELMORA_DOVECOT_MAIL");
  return root ? std::string("Z:") + root : std::string();
}

class Pop3Dovecot : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(MailRoot().empty()) << "PELMORA_DOVECOT_MAIL is not set: run through scripts/test";
    Client.Host = "127.0.0.1";
    Client.TimeOut = 10000;
  }

  int32_t Check(const std::string& user, const std::string& password) {
    Client.UserID = user;
    Client.Password = password;
    Client.Connect();
    const int32_t count = Client.MessageCount();
    Client.Disconnect();
    return count;
  }

  TPOP3Client Client{Application()};
};
}  // namespace

TEST_F(Pop3Dovecot, GreetsAndCountsTheMailboxWithTheRightPassword) {
  TSockTransport transport{Application()};
  transport.Host = "127.0.0.1";
  transport.Port = 110;
  transport.TimeOut = 10000;
  transport.Connect();
  std::string greeting;
  transport.ReadLn(greeting);
  EXPECT_EQ(greeting, "+OK Dovecot (Debian) ready.\r\n");
  transport.Disconnect();

  EXPECT_EQ(Check("pelmora1", "secret1"), 3);
  EXPECT_FALSE(Client.Connected());
}

TEST_F(Pop3Dovecot, AWrongPasswordFailsAndTheNextCheckWorks) {
  try {
    Check("pelmora1", "wrong");
    FAIL() << "logged in with a wrong password";
  } catch (const Exception& e) {
    EXPECT_EQ(e.message(), "Authentication failed");
  }
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Check("pelmora1", "secret1"), 3);
}

TEST_F(Pop3Dovecot, StatSeesMessagesDeliveredSinceTheLastCheck) {
  const int32_t before = Check("pelmora2", "secret2");
  for (int i = 1; i <= 2; ++i) {
    const std::string name = MailRoot() + "/pelmora2/new/" + std::to_string(GetTickCount64()) + "_" +
                             std::to_string(i) + ".delivered";
    std::ofstream(name, std::ios::binary) << "From: a@example.invalid\r\nSubject: new\r\n\r\nhello\r\n";
  }
  EXPECT_EQ(Check("pelmora2", "secret2"), before + 2);
}
