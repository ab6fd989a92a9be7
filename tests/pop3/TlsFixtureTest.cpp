// Secure connections against the scripted TLS servers of scripts/lib/services.d/tlsfixture.sh: what
// servers configured as many are ask of a client, and what a hostile one does.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pop3/Pop3Client.h"
#include "transport/TlsSession.h"
#include "tests/pop3/Pumping.h"
#include "tests/support/TestCa.h"
#include "toolkit/Application.h"
#include "toolkit/ErrorDialog.h"

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

// A client of the scripted server on `port`.
void Configure(TPOP3Client& client, int32_t port) {
  client.Host = "127.0.0.20";
  client.Security = TSecurity::Tls;
  client.Port = port;
  client.TimeOut = 5000;
  client.UserID = "user";
  client.Password = "secret";
}

// The reason of the failed check, or "(no failure)".
std::string FailureOf(TPOP3Client& client) {
  try {
    client.Connect();
    client.Disconnect();
  } catch (const ETlsError& e) {
    return e.message();
  } catch (const Exception& e) {
    return "not a TLS failure: " + e.message();
  }
  return "(no failure)";
}

class TlsFixture : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("PELMORA_TLS_FIXTURE_LOG"), nullptr) << "run through scripts/test";
    testsupport::TrustTestCa();
    Configure(Client, 0);
  }

  std::string FailureAt(int32_t port) {
    Client.Port = port;
    return FailureOf(Client);
  }

  TPOP3Client Client{Application()};
};

}  // namespace

// Windows 7 offers clients TLS 1.0 unless asked for more, and only new-style credentials get TLS 1.3.
// What the system reports for the credentials is what its package supports, so the old protocols
// may be listed (Wine lists them and offers them too): the refusal of an old server after the
// handshake is what keeps them out (AnOldProtocolIsRefusedAfterTheHandshakeBeforeAWordIsSent).
TEST_F(TlsFixture, TheCredentialsAskForTls12AndNewerOnly) {
  TTlsCredentials credentials;
  EXPECT_TRUE(credentials.NewStyle()) << "a system that takes the new structure is kept from TLS 1.3";
  SecPkgCred_SupportedProtocols protocols{};
  ASSERT_EQ(QueryCredentialsAttributesW(credentials.Handle(), SECPKG_ATTR_SUPPORTED_PROTOCOLS, &protocols), SEC_E_OK);
  EXPECT_NE(protocols.grbitProtocol & SP_PROT_TLS1_2_CLIENT, 0u) << std::hex << protocols.grbitProtocol;
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

// Whether the system refuses the old version in the handshake (Windows with the new structure) or
// agrees to it (Wine, which offers it), the server hears nothing more from the client.
TEST_F(TlsFixture, AnOldProtocolIsRefusedAfterTheHandshakeBeforeAWordIsSent) {
  const auto sessions = [] {
    std::istringstream log(SessionLog());
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
      if (line.rfind("9952 ", 0) == 0) lines.push_back(line);
    return lines;
  };
  const std::size_t before = sessions().size();
  EXPECT_EQ(FailureAt(9952), TlsFailureText(TTlsFailure::OldProtocol));
  for (int i = 0; i < 50 && sessions().size() == before; ++i) Sleep(100);
  ASSERT_EQ(sessions().size(), before + 1) << SessionLog();
  const std::string session = sessions().back();
  std::printf("%s\n", session.c_str());
  EXPECT_TRUE(session == "9952 no handshake" || session.find(" sent nothing") != std::string::npos) << session;
}

// A record that fails to decrypt comes right before the server resets the connection, so that the
// close notice meets it inside the socket window's procedure: the check fails with the reason, and
// no error dialog opens there (with notices in a balloon the cycle must never wait for the user).
TEST_F(TlsFixture, ACorruptRecordAtTheCloseFailsTheCheckWithoutAnErrorDialog) {
  std::vector<std::string> shown;
  SetExceptionDisplay([&shown](const std::string& message) { shown.push_back(message); });
  // Each pass lets the notices of the record and of the reset arrive before it dispatches them.
  struct SlowPump : TMessagePump {
    void ProcessMessages() override {
      Sleep(100);
      Application().ProcessMessages();
    }
  } pump;
  TPOP3Client client(pump);
  Configure(client, 9955);
  const std::string outcome = FailureOf(client);
  SetExceptionDisplay(nullptr);
  EXPECT_EQ(shown, std::vector<std::string>()) << "an error dialog opened";
  EXPECT_EQ(outcome, TlsFailureText(TTlsFailure::Handshake));
  EXPECT_FALSE(client.Connected());
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
  Configure(client, 9954);
  const std::size_t before = PrivateBytes();
  EXPECT_THROW(client.Connect(), Exception);
  const std::size_t growth = PrivateBytes() - std::min(before, PrivateBytes());
  KillTimer(nullptr, timer);
  EXPECT_LT(growth, 32u << 20) << "grew by " << (growth >> 20) << " MiB";
  EXPECT_GT(ticks, 0) << "no message was dispatched while the line came in";
  EXPECT_FALSE(client.Connected());
}
