// Secure connections against the scripted TLS servers of scripts/lib/services.d/tlsfixture.sh: what
// servers configured as many are ask of a client, and what a hostile one does.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "pop3/Pop3Client.h"
#include "pop3/TlsSession.h"
#include "tests/pop3/Pumping.h"
#include "tests/support/TestCa.h"
#include "toolkit/Application.h"

namespace {

std::string SessionLog() {
  const char* log = std::getenv("PELMORA_TLS_FIXTURE_LOG");
  std::ifstream file(std::string("Z:") + (log ? log : ""), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The process's private committed bytes: PagefileUsage, which Wine fills in (it leaves PrivateUsage
// at 0), and which Windows fills with the same figure.
std::size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;
}

class TlsFixture : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("PELMORA_TLS_FIXTURE_LOG"), nullptr) << "run through scripts/test";
    testsupport::TrustTestCa();
    Client.Host = "127.0.0.20";
    Client.Security = TSecurity::Tls;
    Client.TimeOut = 5000;
    Client.UserID = "user";
    Client.Password = "secret";
  }

  // The reason of the failed check, or "(no failure)".
  std::string FailureAt(int32_t port) {
    Client.Port = port;
    try {
      Client.Connect();
      Client.Disconnect();
    } catch (const ETlsError& e) {
      return e.message();
    } catch (const Exception& e) {
      return "not a TLS failure: " + e.message();
    }
    return "(no failure)";
  }

  TPOP3Client Client{Application()};
};

}  // namespace

// Windows 7 offers clients TLS 1.0 unless asked for more, and only new-style credentials get TLS 1.3.
TEST_F(TlsFixture, TheCredentialsAskForTls12AndNewerOnly) {
  TTlsCredentials credentials;
  const DWORD protocols = credentials.EnabledProtocols();
  EXPECT_NE(protocols & SP_PROT_TLS1_2_CLIENT, 0u) << std::hex << protocols;
  EXPECT_EQ(protocols & (SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT), 0u) << std::hex << protocols;
}

// The server asks for a client certificate it does not require: the check goes on without one, and
// ends TLS with close_notify after the reply to QUIT.
TEST_F(TlsFixture, AnOptionalClientCertificateIsDoneWithoutAndTheSessionEndsWithCloseNotify) {
  Client.Port = 9951;
  Client.Connect();
  EXPECT_EQ(Client.MessageCount(), 2);
  Client.Disconnect();
  for (int i = 0; i < 50 && SessionLog().find("9951 ") == std::string::npos; ++i) Sleep(100);
  EXPECT_NE(SessionLog().find("9951 close_notify\n"), std::string::npos) << SessionLog();
  EXPECT_EQ(SessionLog().find("9951 no close_notify"), std::string::npos) << SessionLog();
}

TEST_F(TlsFixture, AnOldProtocolAndARequiredClientCertificateAreNamed) {
  EXPECT_EQ(FailureAt(9952), TlsFailureText(TTlsFailure::OldProtocol));
  EXPECT_EQ(FailureAt(9953), TlsFailureText(TTlsFailure::ClientCertificate));
  EXPECT_FALSE(Client.Connected());
}

// A server that answers PASS with a line that never ends, as fast as it can: the read stays within
// the line limit and keeps dispatching messages, and the check fails.
TEST_F(TlsFixture, AnEndlessLineFailsTheCheckWithoutGrowingTheProcess) {
  const Watchdog watchdog(30000, "the check of an endless line never returned");
  int ticks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
  struct TickCounter : TMessagePump {
    explicit TickCounter(int& t) : Ticks(t) {}
    void ProcessMessages() override {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) ++Ticks;
        DispatchMessageW(&msg);
      }
    }
    int& Ticks;
  } pump(ticks);
  TPOP3Client client(pump);
  client.Host = "127.0.0.20";
  client.Security = TSecurity::Tls;
  client.Port = 9954;
  client.TimeOut = 5000;
  client.UserID = "user";
  client.Password = "secret";
  const std::size_t before = PrivateBytes();
  EXPECT_THROW(client.Connect(), Exception);
  const std::size_t growth = PrivateBytes() - std::min(before, PrivateBytes());
  KillTimer(nullptr, timer);
  EXPECT_LT(growth, 32u << 20) << "grew by " << (growth >> 20) << " MiB";
  EXPECT_GT(ticks, 0) << "no message was dispatched while the line came in";
  EXPECT_FALSE(client.Connected());
}
