#include "pop3/SockTransport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "tests/pop3/Pumping.h"
#include "tests/support/ExceptionMessage.h"
#include "tests/support/ScriptedPop3Server.h"

namespace {
std::unique_ptr<TSockTransport> ConnectedTo(const ScriptedPop3Server& server) {
  auto transport = std::make_unique<TSockTransport>(Application());
  transport->Host = server.Address();
  transport->Port = server.Port();
  transport->TimeOut = 5000;
  transport->Connect();
  return transport;
}

// The line ReadLn gives, or "ESockError:" and the message when it raises one.
std::string ReadOutcome(TSockTransport& transport) {
  try {
    std::string line;
    transport.ReadLn(line);
    return line;
  } catch (const ESockError& e) {
    return "ESockError:" + e.message();
  }
}

}  // namespace

TEST(SockTransportRead, AReplyInThreePiecesIsOneLine) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Send("+OK 2").Pause(80).Send(" 3").Pause(80).Send("20\r\n"));
  auto transport = ConnectedTo(server);
  std::string line;
  transport->ReadLn(line);
  EXPECT_EQ(line, "+OK 2 320\r\n");
}

TEST(SockTransportRead, TwoLinesInOneSegmentAreReadOneByOneAndABareLfEndsALine) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Send("+OK first\r\n+OK a\rb\nthird\n"));
  auto transport = ConnectedTo(server);
  std::string line;
  transport->ReadLn(line);
  EXPECT_EQ(line, "+OK first\r\n");
  transport->ReadLn(line);
  EXPECT_EQ(line, "+OK a\rb\n");
  transport->ReadLn(line);
  EXPECT_EQ(line, "third\n");
}

TEST(SockTransportRead, APeerThatClosesGivesNoLine) {
  ScriptedPop3Server server;
  // The close comes after the connection's own notification was handled, and is there before the
  // read begins, its notification not yet handled.
  server.Add(ServerScript().Pause(100).Close());
  server.Add(ServerScript().Send("+OK par").Close());
  auto transport = ConnectedTo(server);
  Sleep(300);
  EXPECT_EQ(ReadOutcome(*transport), "");

  // Whether the read meets the close itself or its notification first, the partial line is never returned.
  auto second = ConnectedTo(server);
  const std::string outcome = ReadOutcome(*second);
  EXPECT_TRUE(outcome == "" || outcome == "ESockError:10057:Socket is not connected") << outcome;
}

TEST(SockTransportRead, AReadOnASocketThatIsNotConnectedRaisesTheErrorOfNotConnected) {
  TSockTransport transport{Application()};
  transport.TimeOut = 1000;
  EXPECT_EQ(ReadOutcome(transport), "ESockError:10057:Socket is not connected");
  EXPECT_EQ(transport.LastError(), 10057);
}

TEST(SockTransportRead, ASilentServerEndsTheReadAfterTimeOutAndTheNextReadStartsAfresh) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Pause(700).Send("+OK late\r\n"));
  auto transport = ConnectedTo(server);
  transport->TimeOut = 300;
  const ULONGLONG start = GetTickCount64();
  std::string line;
  try {
    transport->ReadLn(line);
    FAIL() << "no time-out";
  } catch (const EAbortError& e) {
    EXPECT_EQ(e.message(), "Socket readln aborted");
  }
  EXPECT_GE(GetTickCount64() - start, 290u);
  EXPECT_FALSE(transport->Timer().Enabled());
  transport->TimeOut = 3000;
  transport->ReadLn(line);  // not aborted at once: Canceled was cleared
  EXPECT_EQ(line, "+OK late\r\n");
}

TEST(SockTransportRead, ALineUpToTheBufferSizeIsReadAndALongerOneRaisesARangeError) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Send(std::string(65534, 'a') + "\r\n"));
  server.Add(ServerScript().Send(std::string(70000, 'b') + "\r\n"));
  auto transport = ConnectedTo(server);
  std::string line;
  transport->ReadLn(line);
  EXPECT_EQ(line.size(), 65536u);
  EXPECT_EQ(line.substr(65532), "aa\r\n");

  auto second = ConnectedTo(server);
  EXPECT_THROW(second->ReadLn(line), ERangeError);
}

TEST(SockTransportRead, BytesStillWaitingAtTheCloseAreReadAndTheStartOfAPartialLineStaysIntact) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Send("abc").Pause(150).Send("\nrest\r\n").Close());
  auto transport = ConnectedTo(server);
  std::string line;
  transport->ReadLn(line);
  EXPECT_EQ(line, "abc\n");
  transport->ReadLn(line);
  EXPECT_EQ(line, "rest\r\n");
}

TEST(SockTransportWrite, SendsExactBytesAndStopsAtTheFirstNul) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Receive().Receive().Receive());
  auto transport = ConnectedTo(server);
  transport->Writeln("STAT");
  transport->Write(std::string("AB\0CD", 5));
  transport->Write("\n");
  transport->Writeln(std::string(65533, 'x'));
  EXPECT_THROW(transport->Writeln(std::string(65534, 'y')), ERangeError);
  const std::string expected = "STAT\r\nAB\n" + std::string(65533, 'x') + "\r\n";
  ASSERT_TRUE(PumpUntil([&] { return server.Received(0).size() >= expected.size(); }, 5000));
  EXPECT_EQ(server.Received(0), expected);
}

// A server that reads nothing fills the socket's buffers: the send waits for room, dispatching, and
// the time-out ends it. (A loop that retried at once never dispatched, so its timer never fired.)
TEST(SockTransportWrite, ASendIntoAFullBufferEndsWithTheTimeOut) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Pause(3000));
  auto transport = ConnectedTo(server);
  transport->TimeOut = 500;
  std::string outcome = "(no exception)";
  {
    const Watchdog watchdog(30000, "the send into a full buffer never returned");
    const std::string chunk(65000, 'x');
    for (int i = 0; i < 2000 && outcome == "(no exception)"; ++i) outcome = MessageOf([&] { transport->Write(chunk); });
  }
  EXPECT_EQ(outcome, "Socket send aborted");
}

TEST(SockTransportTransaction, KeepsTheReplyAndItsLeadingDigits) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Reply("250 fine\r\n").Reply("-ERR 99\r\n").Reply("40000 too big\r\n"));
  auto transport = ConnectedTo(server);
  std::string reply;
  transport->Transaction("NOOP", reply);
  EXPECT_EQ(reply, "250 fine\r\n");
  EXPECT_EQ(transport->LastReply(), reply);
  EXPECT_EQ(transport->ReplyCode(), 250);
  transport->Transaction("LIST", reply);
  EXPECT_EQ(transport->ReplyCode(), 0);
  EXPECT_THROW(transport->Transaction("RSET", reply), ERangeError);
  EXPECT_EQ(server.Received(0), "NOOP\r\nLIST\r\nRSET\r\n");
}

TEST(SockTransportConnect, ADottedAddressIsUsedWithoutLookupAndANameIsResolved) {
  ScriptedPop3Server server;
  server.SetDefault(ServerScript().Send("+OK\r\n"));
  TSockTransport transport{Application()};
  transport.Port = server.Port();
  transport.TimeOut = 5000;
  int resolved = 0, connected = 0;
  transport.OnHostResolved = [&](TObject*) { ++resolved; };
  transport.OnConnect = [&](TObject*) { ++connected; };
  transport.Host = "127.0.0.1";
  transport.Connect();
  EXPECT_TRUE(transport.Connected());
  EXPECT_EQ(resolved, 0);
  EXPECT_EQ(connected, 1);
  EXPECT_EQ(transport.RemoteAddress().sin_addr.s_addr, inet_addr("127.0.0.1"));
  EXPECT_EQ(ntohs(transport.RemoteAddress().sin_port), server.Port());
  transport.Disconnect();
  EXPECT_FALSE(transport.Connected());

  transport.Host = "localhost";
  transport.Connect();
  EXPECT_EQ(resolved, 1);
  EXPECT_EQ(connected, 2);
  EXPECT_EQ(transport.RemoteAddress().sin_addr.s_addr, inet_addr("127.0.0.1"));
}

TEST(SockTransportConnect, AlreadyConnectedRefusesAndClearsCanceled) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Pause(300).Send("+OK still here\r\n"));
  auto transport = ConnectedTo(server);
  transport->Cancel();
  EXPECT_EQ(MessageOf([&] { transport->Connect(); }), "Already connected");
  std::string line;
  transport->ReadLn(line);
  EXPECT_EQ(line, "+OK still here\r\n");
}

TEST(SockTransportConnect, NoUsableAddressUnlessOnInvalidHostRepairsItOnce) {
  ScriptedPop3Server server;
  server.SetDefault(ServerScript().Send("+OK\r\n"));
  TSockTransport transport{Application()};
  transport.Port = server.Port();
  transport.TimeOut = 5000;
  for (const char* host : {"", "0.0.0.0", "nonexistent.invalid"}) {
    transport.Host = host;
    EXPECT_EQ(MessageOf([&] { transport.Connect(); }), "Null Remote Address") << host;
  }
  int calls = 0;
  transport.Host = "";
  transport.OnInvalidHost = [&](TObject*, bool&) { ++calls; };
  EXPECT_EQ(MessageOf([&] { transport.Connect(); }), "Null Remote Address");
  EXPECT_EQ(calls, 1);
  transport.OnInvalidHost = [&](TObject* sender, bool& handled) {
    ++calls;
    handled = true;
    static_cast<TSockTransport*>(sender)->Host = calls == 2 ? "0.0.0.0" : "127.0.0.1";
  };
  EXPECT_EQ(MessageOf([&] { transport.Connect(); }), "Null Remote Address");  // one repair only
  EXPECT_EQ(calls, 2);
  transport.Host = "";
  transport.Connect();
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(transport.Connected());
}

TEST(SockTransportConnect, ARefusedConnectionFailsAndTheNextConnectWorks) {
  std::unique_ptr<ScriptedPop3Server> closed = std::make_unique<ScriptedPop3Server>();
  const uint16_t closedPort = closed->Port();
  closed.reset();
  ScriptedPop3Server server;
  server.Add(ServerScript().Send("+OK\r\n"));
  TSockTransport transport{Application()};
  transport.Host = "127.0.0.1";
  transport.Port = closedPort;
  transport.TimeOut = 5000;
  int failures = 0;
  transport.OnConnectionFailed = [&](TObject*) { ++failures; };
  EXPECT_EQ(MessageOf([&] { transport.Connect(); }), "Connection Failed");
  EXPECT_EQ(failures, 1);
  EXPECT_FALSE(transport.Connected());
  transport.Port = server.Port();
  transport.Connect();
  std::string line;
  transport.ReadLn(line);
  EXPECT_EQ(line, "+OK\r\n");
}

// A menu or a dialog holding the loop during the connect lets the connect notice and the close notice
// of a server that accepts and closes at once be handled in one pass: the wait still ends at once.
TEST(SockTransportConnect, AConnectionClosedInTheSamePassAsItsConnectNoticeFailsAtOnce) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Close());
  TSockTransport transport{Application()};
  transport.Host = server.Address();
  transport.Port = server.Port();
  transport.TimeOut = 5000;
  transport.ReportLevel = 8;
  bool held = false;
  transport.OnStatus = [&](TObject*, const std::string& status) {
    // Reported right before the wait: both notices are queued when it begins.
    if (status == "Timer On" && !held) {
      held = true;
      Sleep(300);
    }
  };
  const ULONGLONG start = GetTickCount64();
  const std::string outcome = MessageOf([&] {
    transport.Connect();
    std::string line;
    transport.ReadLn(line);
  });
  EXPECT_LT(GetTickCount64() - start, 2500u);
  // The read meets the close either as its notification (the socket was replaced) or as an empty line.
  EXPECT_TRUE(outcome == "10057:Socket is not connected" || outcome == "(no exception)") << outcome;
}

TEST(SockTransportConnect, StaleNotificationsDoNotEndTheWaitOfTheCurrentOperation) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Send("+OK\r\n"));
  TSockTransport transport{Application()};
  transport.Host = "127.0.0.1";
  transport.Port = server.Port();
  transport.TimeOut = 5000;
  // A failed lookup that nobody waits for any more, and a failed connect of a socket closed since.
  PostMessageW(transport.LookupWindow(), TSockTransport::LookupMessage, 0x4321, MAKELPARAM(0, 11001));
  const WPARAM otherSocket = transport.SocketHandle() + 4;
  PostMessageW(transport.SocketWindow(), TSockTransport::SocketMessage, otherSocket, MAKELPARAM(FD_CONNECT, 10061));
  PostMessageW(transport.SocketWindow(), TSockTransport::SocketMessage, otherSocket, MAKELPARAM(FD_CLOSE, 0));
  transport.Connect();
  EXPECT_TRUE(transport.Connected());
  std::string line;
  transport.ReadLn(line);
  EXPECT_EQ(line, "+OK\r\n");
}

TEST(SockTransportConnect, ALookupAbandonedByItsTransportKeepsItsWindowUntilItCompletes) {
  const int before = CountThreadWindows(L"LookupWindowClass");
  // A lookup of localhost may complete inside the very wait that abandons it, when this thread is
  // slow to get there: then nothing is left behind, and the case is tried again.
  bool orphaned = false;
  for (int attempt = 0; attempt < 25 && !orphaned; ++attempt) {
    {
      TSockTransport transport{Application()};
      transport.Host = "localhost";
      transport.Port = 110;
      transport.TimeOut = 5000;
      transport.ReportLevel = 8;
      // Cancels the operation just before the lookup starts, so the wait ends while it still runs.
      transport.OnStatus = [](TObject* sender, const std::string& status) {
        if (status == "Timer On") static_cast<TSockTransport*>(sender)->Cancel();
      };
      EXPECT_EQ(MessageOf([&] { transport.Connect(); }), "Host Lookup Canceled");
    }
    orphaned = CountThreadWindows(L"LookupWindowClass") == before + 1;
  }
  EXPECT_TRUE(orphaned) << "the lookup still writes to its window";
  EXPECT_TRUE(PumpUntil([&] { return CountThreadWindows(L"LookupWindowClass") == before; }, 5000));
}

TEST(SockTransportGuard, AnOperationStartedFromAHandlerDuringAWaitIsRefused) {
  ScriptedPop3Server server;
  server.Add(ServerScript().Pause(400).Send("+OK done\r\n"));
  auto transport = ConnectedTo(server);
  std::vector<std::string> refusals;
  TTimer intruder(50, true);
  intruder.OnTimer = [&](TObject*) {
    intruder.SetEnabled(false);
    std::string reply;
    for (auto& operation : std::vector<std::function<void()>>{
             [&] { transport->Connect(); }, [&] { transport->Disconnect(); }, [&] { transport->ReadLn(reply); },
             [&] { transport->Transaction("NOOP", reply); }, [&] { transport->Writeln("NOOP"); }})
      refusals.push_back(MessageOf(operation));
  };
  std::string line;
  transport->ReadLn(line);
  EXPECT_EQ(line, "+OK done\r\n");
  ASSERT_EQ(refusals.size(), 5u);
  for (const std::string& refusal : refusals) EXPECT_EQ(refusal, "Another socket operation is already in progress");
  EXPECT_TRUE(transport->Connected());
  EXPECT_EQ(server.Received(0), "");
}

TEST(SockTransportStatus, ReportLevelFiltersTheReports) {
  ScriptedPop3Server server;
  server.SetDefault(ServerScript().Reply("+OK 1 2\r\n"));
  auto statusesAt = [&](int level) {
    std::vector<std::string> statuses;
    TSockTransport transport{Application()};
    transport.Host = "127.0.0.1";
    transport.Port = server.Port();
    transport.TimeOut = 5000;
    transport.ReportLevel = level;
    transport.OnStatus = [&](TObject* sender, const std::string& status) {
      EXPECT_EQ(static_cast<TSockTransport*>(sender)->LastStatus(), status);
      statuses.push_back(status);
      throw Exception("a failing status handler changes nothing");
    };
    transport.Connect();
    std::string reply;
    transport.Transaction("STAT", reply);
    EXPECT_EQ(reply, "+OK 1 2\r\n");
    transport.Disconnect();
    return statuses;
  };
  EXPECT_TRUE(statusesAt(0).empty());
  EXPECT_EQ(statusesAt(1), std::vector<std::string>{"+OK 1 2\r\n"});
  EXPECT_EQ(statusesAt(4), (std::vector<std::string>{"Sending Buffer", "+OK 1 2\r\n", "Request Close Socket"}));
  EXPECT_EQ(statusesAt(8),
            (std::vector<std::string>{"Connecting", "Resolve Host", "Timer On", "Timer Off", "Transaction", "Writeln",
                                      "Write", "Sending Buffer", "Timer On", "Timer Off", "ReadLn", "Timer On",
                                      "Timer Off", "+OK 1 2\r\n", "Disconnecting", "Request Close Socket"}));
}

TEST(SockTransportLifetime, TwoInstancesShareOneStartOfWindowsSockets) {
  const int windows = CountThreadWindows(L"SockWindowClass");
  ASSERT_EQ(TWinsockUse::Users(), 0);
  {
    auto first = std::make_unique<TSockTransport>(Application());
    auto second = std::make_unique<TSockTransport>(Application());
    EXPECT_EQ(TWinsockUse::Users(), 2);
    ASSERT_EQ(first->WinsockInfo().size(), 6u);
    EXPECT_EQ(first->WinsockInfo()[0], "Version= 1.1");
    EXPECT_EQ(first->WinsockInfo()[2].rfind("Description= ", 0), 0u);
    EXPECT_EQ(first->WinsockInfo()[5].rfind("Max Udp pack size= ", 0), 0u);
    EXPECT_TRUE(second->WinsockInfo().empty());
    EXPECT_NE(first->SocketHandle(), TSockTransport::NoSocket);
    EXPECT_NE(first->SocketHandle(), second->SocketHandle());
    EXPECT_EQ(CountThreadWindows(L"SockWindowClass"), windows + 2);
    first.reset();
    EXPECT_EQ(TWinsockUse::Users(), 1);
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(probe, INVALID_SOCKET);  // still started for the second one
    closesocket(probe);
  }
  EXPECT_EQ(TWinsockUse::Users(), 0);
  EXPECT_EQ(CountThreadWindows(L"SockWindowClass"), windows);
  EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}
