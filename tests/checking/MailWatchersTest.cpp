#include "checking/MailWatchers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "accounts/portable/AccountTexts.h"
#include "tests/pop3/Pumping.h"
#include "tests/support/ScriptedPop3Server.h"
#include "tests/support/TestCa.h"
#include "toolkit/Text.h"

namespace {

using checking::AccountKey;
using testsupport::TestTlsFolder;
using testsupport::TrustTestCa;
using checking::TMailWatchers;
using checking::WatchTiming;

class MailWatchersTest : public ::testing::Test {
protected:
  // Quick retries and renewals, so that faults play out in moments.
  static constexpr WatchTiming kTiming{100, 400, 60000, 60000};

  void SetUp() override {
    Watchers = std::make_unique<TMailWatchers>(Timing);
    Watchers->OnCheck = [this](TMailWatchers*, const std::vector<AccountKey>& keys) {
      Checks.insert(Checks.end(), keys.begin(), keys.end());
    };
  }

  // An IMAP account on the server and a POP3 account beside it, both marked for checking.
  void Watch(const ScriptedPop3Server& server, int32_t timeOutMs = 3000) {
    Table.SetRowCount(4);
    const auto set = [this](int row, const std::string& protocol, const std::string& port) {
      Table.SetCell(accounts::ColName, row, "account" + std::to_string(row));
      Table.SetCell(accounts::ColInclude, row, accounts::kInclude);
      Table.SetCell(accounts::ColHost, row, "127.0.0.1");
      Table.SetCell(accounts::ColUser, row, "user");
      Table.SetCell(accounts::ColPassword, row, "secret");
      Table.SetCell(accounts::ColProtocol, row, protocol);
      Table.SetCell(accounts::ColPort, row, port);
    };
    set(1, "IMAP", std::to_string(server.Port()));
    set(2, "", "1");
    Watchers->Update(Table, true, timeOutMs);
  }

  bool IdleWithin(int ms) { return PumpUntil([this] { return Watchers->Idling() == 1; }, ms); }

  WatchTiming Timing = kTiming;
  accounts::AccountTable Table;
  std::unique_ptr<TMailWatchers> Watchers;
  std::vector<AccountKey> Checks;
};

}  // namespace

TEST_F(MailWatchersTest, ABurstOfChangesAsksOneCheckOfThatAccountAndPop3IsLeftToTheCycle) {
  ScriptedPop3Server server;
  server.Add(ServerScript::ImapIdle());
  Watch(server);
  ASSERT_TRUE(IdleWithin(3000));
  EXPECT_EQ(Watchers->Count(), 1u);
  EXPECT_TRUE(Checks.empty()) << "the start-up cycle checks every account already";
  server.Push(0, "* 4 EXISTS\r\n* 1 RECENT\r\n");
  server.Push(0, "* 5 EXISTS\r\n");
  ASSERT_TRUE(PumpUntil([this] { return !Checks.empty(); }, 2000));
  PumpFor(300);
  ASSERT_EQ(Checks.size(), 1u);
  EXPECT_EQ(Checks[0], (AccountKey{"127.0.0.1", server.Port(), "user"}));
  EXPECT_EQ(server.SessionCount(), 1u);
}

// Each way a connection breaks ends in one reconnect and one check, which tells what came meanwhile.
TEST_F(MailWatchersTest, AConnectionThatBreaksIsMadeAgainAndItsAccountCheckedOnce) {
  const std::vector<std::pair<std::string, std::function<void(ScriptedPop3Server&)>>> faults = {
      {"closed mid-IDLE", [](ScriptedPop3Server& s) { s.Drop(0); }},
      {"BYE during IDLE", [](ScriptedPop3Server& s) { s.Push(0, "* BYE [UNAVAILABLE] restarting\r\n"); }},
  };
  for (const auto& [name, fault] : faults) {
    SCOPED_TRACE(name);
    SetUp();
    Checks.clear();
    ScriptedPop3Server server;
    server.Add(ServerScript::ImapIdle());
    server.SetDefault(ServerScript::ImapIdle());
    Watch(server);
    ASSERT_TRUE(IdleWithin(3000));
    fault(server);
    ASSERT_TRUE(PumpUntil([&] { return server.SessionCount() == 2 && Watchers->Idling() == 1 && !Checks.empty(); }, 3000));
    PumpFor(300);
    EXPECT_EQ(Checks.size(), 1u);
    EXPECT_EQ(server.SessionCount(), 2u);
  }
}

TEST_F(MailWatchersTest, AConnectionThatDoesNotAnswerDoneCountsAsDead) {
  Timing.RenewMinMs = Timing.RenewMaxMs = 200;
  SetUp();
  ScriptedPop3Server server;
  server.Add(ServerScript::ImapIdle(true, false));
  server.SetDefault(ServerScript::ImapIdle());
  Watch(server, 500);
  ASSERT_TRUE(PumpUntil([&] { return server.SessionCount() == 2 && Watchers->Idling() == 1; }, 4000));
  // The renewal went unanswered; the goodbye follows it as the connection is dropped.
  const std::vector<std::string> dead = server.ReceivedLines(0);
  ASSERT_GE(dead.size(), 2u);
  EXPECT_EQ(dead[dead.size() - 2], "DONE\r\n");
  ASSERT_TRUE(PumpUntil([&] { return !Checks.empty(); }, 1000));
  // The answered renewals go on without a check.
  PumpFor(700);
  EXPECT_EQ(Checks.size(), 1u);
  const std::vector<std::string> renewed = server.ReceivedLines(1);
  EXPECT_GE(std::count(renewed.begin(), renewed.end(), std::string("DONE\r\n")), 2);
}

// Retries double while the server is away; its failure is asked to be shown once, not per retry,
// and the account is checked again once the watcher is back.
TEST_F(MailWatchersTest, AServerAwayForAWhileIsRetriedWithGrowingWaitsAndCheckedOnItsReturn) {
  auto server = std::make_unique<ScriptedPop3Server>("127.0.0.1", 0);
  const uint16_t port = server->Port();
  server->Add(ServerScript::ImapIdle());
  Watch(*server);
  ASSERT_TRUE(IdleWithin(3000));
  server.reset();
  PumpFor(2000);
  EXPECT_EQ(Watchers->Idling(), 0u);
  EXPECT_EQ(Checks.size(), 1u) << "one check shows the failure";
  server = std::make_unique<ScriptedPop3Server>("127.0.0.1", port);
  server->SetDefault(ServerScript::ImapIdle());
  ASSERT_TRUE(PumpUntil([&] { return Watchers->Idling() == 1; }, 2000));
  ASSERT_TRUE(PumpUntil([&] { return Checks.size() == 2; }, 1000));
  EXPECT_EQ(server->SessionCount(), 1u);
}

TEST_F(MailWatchersTest, AServerWithoutIdleIsLeftAndNeverRetried) {
  ScriptedPop3Server server;
  server.SetDefault(ServerScript::ImapIdle(false));
  Watch(server);
  ASSERT_TRUE(PumpUntil([&] { return server.WaitForSessionEnd(0, 0); }, 3000));
  PumpFor(500);
  EXPECT_EQ(server.SessionCount(), 1u);
  EXPECT_EQ(server.ReceivedLines(0).back().find(" LOGOUT\r\n") != std::string::npos, true);
  EXPECT_TRUE(Checks.empty());
}

TEST_F(MailWatchersTest, TheEndSaysDoneAndLogoutAndLeavesNoWindowBehind) {
  const int windows = CountThreadWindows(L"SockWindowClass");
  ScriptedPop3Server server;
  server.Add(ServerScript::ImapIdle());
  Watch(server);
  ASSERT_TRUE(IdleWithin(3000));
  Watchers.reset();
  ASSERT_TRUE(server.WaitForSessionEnd(0, 1000));
  const std::vector<std::string> lines = server.ReceivedLines(0);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "DONE\r\n");
  EXPECT_NE(lines.back().find(" LOGOUT\r\n"), std::string::npos);
  EXPECT_EQ(CountThreadWindows(L"SockWindowClass"), windows);
}

// Turned off, or with the account taken out, the watcher goes; the table unchanged keeps it as it is.
TEST_F(MailWatchersTest, FollowsTheTableAndTheSetting) {
  ScriptedPop3Server server;
  server.SetDefault(ServerScript::ImapIdle());
  Watch(server);
  ASSERT_TRUE(IdleWithin(3000));
  Watchers->Update(Table, true, 3000);
  PumpFor(200);
  EXPECT_EQ(server.SessionCount(), 1u);
  Table.SetCell(accounts::ColInclude, 1, "");
  Watchers->Update(Table, true, 3000);
  EXPECT_EQ(Watchers->Count(), 0u);
  Table.SetCell(accounts::ColInclude, 1, accounts::kInclude);
  Watchers->Update(Table, false, 3000);
  EXPECT_EQ(Watchers->Count(), 0u);
  Watchers->Update(Table, true, 3000);
  ASSERT_TRUE(IdleWithin(3000));
  EXPECT_EQ(server.SessionCount(), 2u);
}

// Over SSL/TLS and STARTTLS, with a host name to look up, the watchers of the local Dovecot tell of a
// delivery; one whose server cannot prove the name it was asked by never gets to IDLE, and asks for
// the check that shows why once its retry has failed too.
TEST_F(MailWatchersTest, SecuredWatchersOfDovecotTellOfDeliveryAndAServerThatCannotProveItsNameFails) {
  ASSERT_FALSE(TestTlsFolder().empty()) << "PELMORA_DOVECOT_TLS is not set: run through scripts/test";
  TrustTestCa();
  Table.SetRowCount(5);
  const auto set = [this](int row, const std::string& host, const std::string& security) {
    const std::string cells[] = {"tls" + std::to_string(row), std::string(accounts::kInclude), host, "pelmora10",
                                 "secret10", std::string(accounts::kActionMessage), "", security, "", "IMAP"};
    for (int col = 0; col < 10; ++col) Table.SetCell(col, row, cells[col]);
  };
  set(1, "localhost", "SSL");
  set(2, "localhost", "STARTTLS");
  set(3, "127.0.0.1", "SSL");
  Watchers->Update(Table, true, 10000);
  ASSERT_TRUE(PumpUntil([this] { return Watchers->Idling() == 2 && Checks.size() == 1; }, 10000));
  EXPECT_EQ(Checks[0], (AccountKey{"127.0.0.1", 993, "pelmora10"}));

  const std::string maildir = std::string("Z:") + std::getenv("PELMORA_DOVECOT_MAIL") + "/pelmora10";
  std::ofstream(maildir + "/new/watched", std::ios::binary) << "From: a@example.jp\r\nSubject: s\r\n\r\nbody\r\n";
  EXPECT_TRUE(PumpUntil([this] { return Checks.size() == 3; }, 5000));
  Watchers.reset();
  for (const char* folder : {"/new/", "/cur/"}) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(Widen(maildir + folder + "watched*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    DeleteFileW((Widen(maildir + folder) + found.cFileName).c_str());
    FindClose(search);
  }
}
