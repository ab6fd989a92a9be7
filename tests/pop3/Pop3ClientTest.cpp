#include "pop3/Pop3Client.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ScriptedPop3Server.h"
#include "tests/support/ScriptedSessionTest.h"
#include "toolkit/Application.h"

namespace {
class Pop3Client : public ScriptedSessionTest<TPOP3Client> {
protected:
  // The message of the exception out of Connect.
  std::string ConnectFailure() {
    try {
      Client.Connect();
    } catch (const Exception& e) {
      return e.message();
    }
    return "(no exception)";
  }
};
}  // namespace

TEST_F(Pop3Client, ConstructionDefaults) {
  TPOP3Client fresh{Application()};
  EXPECT_EQ(fresh.Port, 110);
  EXPECT_EQ(fresh.TimeOut, 0);
  EXPECT_EQ(fresh.MessageCount(), 0);
  EXPECT_FALSE(fresh.InConnect());
  EXPECT_FALSE(fresh.Connected());
  EXPECT_EQ(fresh.AttachFilePath(), "");
}

TEST_F(Pop3Client, AttachFilePathGetsOneTrailingBackslash) {
  Client.SetAttachFilePath(".");
  EXPECT_EQ(Client.AttachFilePath(), ".\\");
  Client.SetAttachFilePath("C:\\mail\\");
  EXPECT_EQ(Client.AttachFilePath(), "C:\\mail\\");
}

TEST_F(Pop3Client, ACheckSendsUserPassStatAndQuitAndFiresItsEventsInOrder) {
  Server.Add(ServerScript::Pop3Check("+OK 5 12345\r\n"));
  Client.Host = "localhost";
  std::vector<std::string> events;
  Client.OnHostResolved = [&](TObject*) { events.push_back("resolved"); };
  Client.OnConnect = [&](TObject* sender) {
    EXPECT_FALSE(static_cast<TPOP3Client*>(sender)->InConnect());
    events.push_back("login " + std::to_string(static_cast<TPOP3Client*>(sender)->MessageCount()));
  };
  Client.OnDisconnect = [&](TObject*) { events.push_back("disconnect"); };
  Client.Connect();
  EXPECT_EQ(Client.MessageCount(), 5);
  EXPECT_FALSE(Client.InConnect());
  EXPECT_TRUE(Client.Connected());
  Client.Disconnect();
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Transcript(), "USER alice\r\nPASS secret\r\nSTAT\r\nQUIT\r\n");
  EXPECT_EQ(events, (std::vector<std::string>{"resolved", "login 5", "disconnect"}));
}

TEST_F(Pop3Client, TheStatReplyGivesTheCountOrZeroWhenItsSecondFieldDoesNotConvert) {
  const std::pair<const char*, int> replies[] = {
      {"+OK 5 12345\r\n", 5}, {"+OK 0 0\r\n", 0},   {"+OK  5 10\r\n", 0},
      {"+OK 7\r\n", 0},       {"+OK $1F 9\r\n", 31}, {"+OK 2147483648 1\r\n", 0}};
  for (const auto& [reply, count] : replies) Server.Add(ServerScript::Pop3Check(reply));
  for (const auto& [reply, count] : replies) {
    Client.Connect();
    EXPECT_EQ(Client.MessageCount(), count) << reply;
    Client.Disconnect();
  }
}

TEST_F(Pop3Client, AGreetingThatIsNotPositiveFailsWithTheLineAndSaysQuit) {
  Server.Add(ServerScript().Send("-ERR busy\r\n").Reply("+OK bye\r\n").Close());
  Server.Add(ServerScript().Send("+ok lower case\r\n").Reply("+OK bye\r\n").Close());
  EXPECT_EQ(ConnectFailure(), "-ERR busy\r\n");
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Transcript(0), "QUIT\r\n");
  EXPECT_EQ(ConnectFailure(), "+ok lower case\r\n");
  EXPECT_EQ(Transcript(1), "QUIT\r\n");
}

TEST_F(Pop3Client, ARefusedUserOrPasswordFailsAfterQuit) {
  Server.Add(ServerScript().Send("+OK\r\n").Reply("-ERR no such user\r\n").Reply("+OK bye\r\n").Close());
  Server.Add(ServerScript()
                 .Send("+OK\r\n")
                 .Reply("+OK\r\n")
                 .Reply("-ERR [AUTH] Authentication failed.\r\n")
                 .Reply("+OK bye\r\n")
                 .Close());
  int loggedIn = 0;
  Client.OnConnect = [&](TObject*) { ++loggedIn; };
  EXPECT_EQ(ConnectFailure(), "Authentication failed");
  EXPECT_EQ(Transcript(0), "USER alice\r\nQUIT\r\n");
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(ConnectFailure(), "Authentication failed");
  EXPECT_EQ(Transcript(1), "USER alice\r\nPASS secret\r\nQUIT\r\n");
  EXPECT_EQ(loggedIn, 0);
}

TEST_F(Pop3Client, AnAuthenticationFailedHandlerGetsOneMoreLoginTry) {
  Server.Add(ServerScript()
                 .Send("+OK\r\n")
                 .Reply("+OK\r\n")
                 .Reply("-ERR wrong\r\n")
                 .Reply("+OK\r\n")
                 .Reply("+OK\r\n")
                 .Reply("+OK 1 100\r\n")
                 .Reply("+OK\r\n")
                 .Close());
  Server.Add(ServerScript()
                 .Send("+OK\r\n")
                 .Reply("-ERR\r\n")
                 .Reply("-ERR\r\n")
                 .Reply("+OK bye\r\n")
                 .Close());
  Client.Password = "wrong";
  int calls = 0;
  Client.OnAuthenticationFailed = [&](TObject* sender, bool& handled) {
    ++calls;
    static_cast<TPOP3Client*>(sender)->Password = "right";
    handled = true;
  };
  Client.Connect();
  EXPECT_EQ(Client.MessageCount(), 1);
  Client.Disconnect();
  EXPECT_EQ(Transcript(0), "USER alice\r\nPASS wrong\r\nUSER alice\r\nPASS right\r\nSTAT\r\nQUIT\r\n");
  EXPECT_EQ(calls, 1);

  EXPECT_EQ(ConnectFailure(), "Authentication failed");
  EXPECT_EQ(Transcript(1), "USER alice\r\nUSER alice\r\nQUIT\r\n");
  EXPECT_EQ(calls, 2);
}

TEST_F(Pop3Client, MissingCredentialsFailBeforeAnyConnection) {
  Client.UserID = "";
  EXPECT_EQ(ConnectFailure(), "Authentication failed");
  Client.UserID = "alice";
  Client.Password = "";
  bool asked = false;
  Client.OnAuthenticationNeeded = [&](TObject*, bool&) { asked = true; };
  EXPECT_EQ(ConnectFailure(), "Authentication failed");
  EXPECT_TRUE(asked);
  EXPECT_EQ(Server.SessionCount(), 0u);

  Server.Add(ServerScript::Pop3Check("+OK 4 1\r\n"));
  Client.OnAuthenticationNeeded = [](TObject* sender, bool& handled) {
    static_cast<TPOP3Client*>(sender)->Password = "given";
    handled = true;
  };
  Client.Connect();
  Client.Disconnect();
  EXPECT_EQ(Transcript(), "USER alice\r\nPASS given\r\nSTAT\r\nQUIT\r\n");
}

TEST_F(Pop3Client, ARefusedStatFailsWithItsLineAfterTheLoginEventAndKeepsThePreviousCount) {
  Server.Add(ServerScript::Pop3Check("+OK 9 900\r\n"));
  Server.Add(ServerScript()
                 .Send("+OK\r\n")
                 .Reply("+OK\r\n")
                 .Reply("+OK\r\n")
                 .Reply("-ERR mailbox locked\r\n")
                 .Reply("+OK bye\r\n")
                 .Close());
  Client.Connect();
  Client.Disconnect();
  int loggedIn = 0;
  Client.OnConnect = [&](TObject*) { ++loggedIn; };
  EXPECT_EQ(ConnectFailure(), "-ERR mailbox locked\r\n");
  EXPECT_EQ(loggedIn, 1);
  EXPECT_EQ(Client.MessageCount(), 9);
  EXPECT_FALSE(Client.InConnect());
  EXPECT_EQ(Transcript(1), "USER alice\r\nPASS secret\r\nSTAT\r\nQUIT\r\n");
}

TEST_F(Pop3Client, ARefusedQuitReplacesTheFirstErrorAndStillCloses) {
  Server.Add(ServerScript().Send("+OK\r\n").Reply("-ERR\r\n").Reply("-ERR not now\r\n").Close());
  EXPECT_EQ(ConnectFailure(), "-ERR not now\r\n");
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Transcript(), "USER alice\r\nQUIT\r\n");
}

TEST_F(Pop3Client, DisconnectWithoutAConnectionSendsNothing) {
  const uint16_t socketBefore = Client.SocketHandle();
  int disconnects = 0;
  Client.OnDisconnect = [&](TObject*) { ++disconnects; };
  Client.Disconnect();
  EXPECT_EQ(Client.SocketHandle(), socketBefore);
  EXPECT_EQ(disconnects, 0);
}

TEST_F(Pop3Client, ASilentServerTimesOutWithoutQuitAndTheNextCheckWorks) {
  Server.Add(ServerScript().Send("+OK\r\n").Receive());
  Server.Add(ServerScript::Pop3Check("+OK 2 20\r\n"));
  Client.TimeOut = 300;
  try {
    Client.Connect();
    FAIL() << "no time-out";
  } catch (const EAbortError& e) {
    EXPECT_EQ(e.message(), "Socket readln aborted");
  }
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Transcript(0), "USER alice\r\n");
  Client.Connect();
  EXPECT_EQ(Client.MessageCount(), 2);
  Client.Disconnect();
  EXPECT_EQ(Transcript(1), "USER alice\r\nPASS secret\r\nSTAT\r\nQUIT\r\n");
}

TEST_F(Pop3Client, ServersThatCloseOrSendAnEndlessLineFailTheCheckAndTheNextOneWorks) {
  Server.Add(ServerScript().Close());
  Server.Add(ServerScript().Send("+OK\r\n").Receive().Send("+OK half").Close());
  Server.Add(ServerScript().Send(std::string(70000, 'x') + "\r\n").Reply("+OK bye\r\n").Close());
  Server.Add(ServerScript::Pop3Check("+OK 6 60\r\n"));
  for (std::size_t session = 0; session < 3; ++session) {
    EXPECT_NE(ConnectFailure(), "(no exception)") << session;
    EXPECT_FALSE(Client.Connected());
    Transcript(session);
  }
  Client.Connect();
  EXPECT_EQ(Client.MessageCount(), 6);
  Client.Disconnect();
}

TEST_F(Pop3Client, DestroyingAConnectedClientClosesWithoutQuit) {
  Server.Add(ServerScript::Pop3Check());
  auto client = std::make_unique<TPOP3Client>(Application());
  client->Host = Server.Address();
  client->Port = Server.Port();
  client->TimeOut = 5000;
  client->UserID = "u";
  client->Password = "p";
  client->Connect();
  EXPECT_EQ(client->MessageCount(), 3);
  client.reset();
  EXPECT_EQ(Transcript(), "USER u\r\nPASS p\r\nSTAT\r\n");
}

// Headers: where CAPA lists PIPELINING the TOP commands go out together (this server answers none
// until it has all three, so one at a time would wait out the time-out); elsewhere one at a time,
// and a refused TOP gives no header. One message asks no CAPA.
TEST_F(Pop3Client, TheHeadersOfNewMessagesAreAskedForTogetherWhereTheServerTakesCommandsInARow) {
  const auto login = [](ServerScript script) {
    return script.Send("+OK ready\r\n").Reply("+OK user\r\n").Reply("+OK in\r\n").Reply("+OK 3 300\r\n");
  };
  const std::string top = "+OK\r\nSubject: s\r\n\r\n.\r\n";
  Server.Add(login(ServerScript())
                 .Reply("+OK\r\nTOP\r\nPIPELINING\r\nUIDL\r\n.\r\n")
                 .Receive()
                 .Receive()
                 .Receive()
                 .Send(top + "-ERR gone\r\n" + top)
                 .Reply("+OK bye\r\n")
                 .Close());
  Server.Add(login(ServerScript()).Reply("+OK\r\nTOP\r\n.\r\n").Reply(top).Reply("-ERR gone\r\n").Reply("+OK bye\r\n").Close());
  Server.Add(login(ServerScript()).Reply(top).Reply("+OK bye\r\n").Close());
  Client.TimeOut = 2000;
  const std::vector<std::optional<std::string>> expected{"Subject: s\r\n\r\n", std::nullopt, "Subject: s\r\n\r\n"};
  Client.Connect();
  EXPECT_EQ(Client.Headers({3, 2, 1}), expected);
  Client.Disconnect();
  EXPECT_EQ(Transcript(0), "USER alice\r\nPASS secret\r\nSTAT\r\nCAPA\r\nTOP 3 0\r\nTOP 2 0\r\nTOP 1 0\r\nQUIT\r\n");
  Client.Connect();
  EXPECT_EQ(Client.Headers({3, 2}), std::vector<std::optional<std::string>>(expected.begin(), expected.begin() + 2));
  Client.Disconnect();
  EXPECT_EQ(Transcript(1), "USER alice\r\nPASS secret\r\nSTAT\r\nCAPA\r\nTOP 3 0\r\nTOP 2 0\r\nQUIT\r\n");
  Client.Connect();
  EXPECT_EQ(Client.Headers({3}), std::vector<std::optional<std::string>>{expected[0]});
  Client.Disconnect();
  EXPECT_EQ(Transcript(2), "USER alice\r\nPASS secret\r\nSTAT\r\nTOP 3 0\r\nQUIT\r\n");
}
