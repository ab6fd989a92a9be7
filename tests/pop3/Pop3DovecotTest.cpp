// The POP3 session against the real server that scripts/test starts (scripts/lib/services.d/dovecot.sh),
// in plain and over TLS: TLS on 995 and STLS on 110 with the test CA's certificate for localhost, and
// each reason a secure connection fails, none of them with a password sent (the server's log names
// every login attempt's user). The revocation lists come from services.d/crl.sh.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "pop3/Pop3Client.h"
#include "tests/pop3/Pumping.h"
#include "tests/support/DovecotLog.h"
#include "tests/support/ExceptionMessage.h"
#include "tests/support/TestCa.h"
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

namespace {

class Pop3Tls : public Pop3Dovecot {
protected:
  void SetUp() override {
    Pop3Dovecot::SetUp();
    ASSERT_FALSE(testsupport::TestTlsFolder().empty()) << "PELMORA_DOVECOT_TLS is not set: run through scripts/test";
    testsupport::TrustTestCa();
  }

  void Connection(const std::string& host, TSecurity security, int32_t port) {
    Client.Host = host;
    Client.Security = security;
    Client.Port = port;
  }

  // The reason of the failed check; the user is one the server has never seen, so that any login
  // attempt would show in its log.
  std::string FailureOf(const std::string& host, TSecurity security, int32_t port, const std::string& user) {
    Connection(host, security, port);
    std::string reason = "(no failure)";
    try {
      Check(user, "secret");
    } catch (const ETlsError& e) {
      reason = e.message();
    }
    EXPECT_FALSE(Client.Connected());
    EXPECT_EQ(testsupport::DovecotLog().find(user), std::string::npos) << "the server saw a login attempt";
    return reason;
  }

  static std::string LastLogin(const std::string& user) {
    const std::vector<std::string> lines = testsupport::LoginLines(user);
    return lines.empty() ? std::string() : lines.back();
  }

  // The check counts the mailbox, and the server logged the login as one over TLS.
  void ExpectCountedOverTls(TSecurity security, int32_t port) {
    Connection("localhost", security, port);
    EXPECT_EQ(Check("pelmora1", "secret1"), 3);
    EXPECT_NE(LastLogin("pelmora1").find(", TLS"), std::string::npos) << LastLogin("pelmora1");
  }
};

}  // namespace

TEST_F(Pop3Tls, TlsOnPort995CountsTheMailbox) { ExpectCountedOverTls(TSecurity::Tls, 995); }

TEST_F(Pop3Tls, StartTlsOnPort110CountsTheMailbox) {
  ExpectCountedOverTls(TSecurity::StartTls, 110);
  // The same client goes on in plain with the next account.
  Connection("127.0.0.1", TSecurity::None, 110);
  EXPECT_EQ(Check("pelmora1", "secret1"), 3);
  EXPECT_EQ(LastLogin("pelmora1").find(", TLS"), std::string::npos);
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

TEST_F(Pop3Tls, ACertificateTheCaHasRevokedIsRevoked) {
  EXPECT_EQ(FailureOf("127.0.0.14", TSecurity::Tls, 995, "tls-revoked"), TlsFailureText(TTlsFailure::Revoked));
}

namespace {

int TimerTicks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++TimerTicks; }


}  // namespace

// A revocation server that accepts and never answers holds the chain build (under Wine without end,
// on Windows for the retrieval bound): the thread's messages go on being dispatched and the check
// ends with its time-out at the latest, and the next check does not wait for the abandoned one.
TEST_F(Pop3Tls, AStalledRevocationServerFreezesNeitherTheProgramNorTheCheck) {
  Client.TimeOut = 2000;
  Connection("127.0.0.15", TSecurity::Tls, 995);
  TimerTicks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, CountTick);
  const ULONGLONG start = GetTickCount64();
  std::string outcome;
  {
    const Watchdog watchdog(15000, "the certificate check froze the thread");
    try {
      outcome = "counted " + std::to_string(Check("pelmora1", "secret1"));
    } catch (const Exception& e) {
      outcome = e.message();
    }
  }
  const ULONGLONG elapsed = GetTickCount64() - start;
  KillTimer(nullptr, timer);
  // Longer than the retrieval bound (1 s: the revocation server was asked), shorter than the
  // time-out with the connection's own steps.
  EXPECT_GE(elapsed, 900u) << outcome;
  EXPECT_LT(elapsed, 3000u) << outcome;
  EXPECT_GE(TimerTicks, 5) << "messages were not dispatched during the check";
  EXPECT_FALSE(Client.Connected());

  // Another certificate, for another host, is verified in full meanwhile.
  EXPECT_EQ(FailureOf("127.0.0.11", TSecurity::Tls, 995, "tls-after-stall"), TlsFailureText(TTlsFailure::Untrusted));
}

namespace {

// While set, every thread that starts waits for it at its start, before its own code runs: a TLS
// callback of this program, which the system calls in each new thread.
HANDLE ThreadGate = nullptr;

void NTAPI HoldNewThreads(PVOID, DWORD reason, PVOID) {
  if (reason == DLL_THREAD_ATTACH && ThreadGate) WaitForSingleObject(ThreadGate, 10000);
}

extern "C" __attribute__((section(".CRT$XLB"), used)) const PIMAGE_TLS_CALLBACK kHoldNewThreads = HoldNewThreads;

}  // namespace

// The time-out fires while the certificate check runs (its thread is held at its start), and the
// check ends before the wait looks again (the thread is let go, and the time-out's abort waits until
// it has posted its end). The check fails as timed out, not with the verdict that came too late (nor,
// where the verdict passes, as the next read on the socket that the time-out closed). A failing
// verdict is never remembered, so the check runs.
TEST_F(Pop3Tls, ACertificateCheckEndingAfterTheTimeOutFiredFailsAsTimedOut) {
  Connection("127.0.0.11", TSecurity::Tls, 995);
  Client.TimeOut = 2000;
  Client.ReportLevel = 8;
  const HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  bool checkEndedAfterTimeOut = false;
  Client.OnStatus = [&](TObject*, const std::string& status) {
    if (status == "Verifying Certificate") {
      ThreadGate = gate;
      Sleep(2100);  // the time-out is due when the wait for the check begins
    }
    if (status == "Canceling" && ThreadGate) {
      ThreadGate = nullptr;
      SetEvent(gate);
      // The check posts a thread message when it ends.
      MSG msg{};
      bool posted = false;
      for (int i = 0; i < 1000 && !posted; ++i) {
        posted = PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_NOREMOVE);
        if (!posted) Sleep(10);
      }
      checkEndedAfterTimeOut = posted && msg.message == WM_NULL;
    }
  };
  EXPECT_EQ(MessageOf([&] { Check("tls-race", "secret"); }), "Certificate check timed out");
  EXPECT_TRUE(checkEndedAfterTimeOut);
  EXPECT_FALSE(Client.Connected());
  ThreadGate = nullptr;
  SetEvent(gate);
  CloseHandle(gate);
}

// The chain is built once per certificate and host: a later check of the same host takes the
// verdict as it stands, while another name for the same server is verified (and fails) on its own.
TEST_F(Pop3Tls, ACertificateVerifiedForAHostIsNotVerifiedAgainForIt) {
  int verifications = 0;
  Client.ReportLevel = 8;
  Client.OnStatus = [&verifications](TObject*, const std::string& status) {
    if (status == "Verifying Certificate") ++verifications;
  };
  ExpectCountedOverTls(TSecurity::Tls, 995);
  verifications = 0;
  ExpectCountedOverTls(TSecurity::StartTls, 110);
  EXPECT_EQ(verifications, 0);

  EXPECT_EQ(FailureOf("127.0.0.1", TSecurity::Tls, 995, "tls-cached-elsewhere"),
            TlsFailureText(TTlsFailure::HostMismatch));
  EXPECT_EQ(verifications, 1);
}
