// The IMAP session against scripted servers: what real servers may send (literals, untagged
// responses in any order, names that need a literal) and how they fail (BYE, a stall, a close in the
// middle of a response, a refused login).
#include "imap/ImapClient.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "imap/portable/ImapCommands.h"
#include "tests/support/ExceptionMessage.h"
#include "tests/support/ScriptedPop3Server.h"
#include "tests/support/ScriptedSessionTest.h"
#include "toolkit/Application.h"

namespace {

const std::pair<std::string, std::string> kLogout = {"LOGOUT", "* BYE bye\r\n$ OK done\r\n"};

using ImapClient = ScriptedSessionTest<TImapClient>;

}  // namespace

TEST_F(ImapClient, ReadsCountAndIdentitiesThroughLiteralsAndResponsesInAnyOrder) {
  const std::string header = "From: a@example.jp\r\nSubject: {3}\r\n\r\n";
  const std::string older = "From: b@example.jp\r\n\r\n";
  Server.Add(ServerScript::Imap("* OK ready\r\n",
                        {{"CAPABILITY", "* 4 EXISTS\r\n* CAPABILITY IMAP4rev1 AUTH=PLAIN\r\n$ OK\r\n"},
                         {"LOGIN", "$ OK [CAPABILITY IMAP4rev1] in\r\n"},
                         {"STATUS", "* STATUS {5}\r\nINBOX (MESSAGES 4)\r\n$ OK\r\n"},
                         kLogout}));
  Server.Add(ServerScript::Imap("* OK [CAPABILITY IMAP4rev1 LOGINDISABLED AUTH=PLAIN] ready\r\n",
                        {{"AUTHENTICATE PLAIN\r\n" + PlainCredentials("alice", "p\"w\\"), "$ OK in\r\n"},
                         {"AUTHENTICATE", "+ \r\n"},
                         {"EXAMINE", "* OK [UIDVALIDITY 77] v\r\n* FLAGS (\\Seen)\r\n* 2 EXISTS\r\n$ OK [READ-ONLY]\r\n"},
                         {"FETCH 1:*", "* 2 FETCH (UID 31)\r\n* 1 FETCH (FLAGS () UID 30)\r\n$ OK\r\n"},
                         // The headers of both in one command, answered in the mailbox's order.
                         {"UID FETCH 31,30", "* 1 FETCH (UID 30 BODY[HEADER.FIELDS (FROM SUBJECT)] {" +
                                                 std::to_string(older.size()) + "}\r\n" + older + ")\r\n* 2 FETCH (UID 31 BODY[HEADER.FIELDS (FROM SUBJECT)] {" +
                                                 std::to_string(header.size()) + "}\r\n" + header + ")\r\n$ OK\r\n"},
                         kLogout}));

  Client.UserID = "\xe5\xa4\xaa\xe9\x83\x8e";
  Client.Password = "p\"w\\";
  Client.Connect();
  EXPECT_EQ(Client.MessageCount(), 4);
  EXPECT_FALSE(Client.MessageIds());
  Client.Disconnect();
  EXPECT_EQ(Transcript(0), "a1 CAPABILITY\r\na2 LOGIN {6}\r\n\xe5\xa4\xaa\xe9\x83\x8e \"p\\\"w\\\\\"\r\n"
                           "a3 STATUS \"INBOX\" (MESSAGES)\r\na4 LOGOUT\r\n");

  Client.UserID = "alice";
  Client.AskIds = true;
  Client.Connect();
  EXPECT_EQ(Client.MessageCount(), 2);
  ASSERT_TRUE(Client.MessageIds());
  ASSERT_EQ(Client.MessageIds()->size(), 2u);
  EXPECT_EQ((*Client.MessageIds())[1].Number, 2);
  EXPECT_EQ((*Client.MessageIds())[1].Id, "77:31");
  EXPECT_EQ(Client.Headers({2, 1, 3}), (std::vector<std::optional<std::string>>{header, older, std::nullopt}));
  Client.Disconnect();
  EXPECT_EQ(Transcript(1), "a5 AUTHENTICATE PLAIN\r\n" + PlainCredentials("alice", "p\"w\\") +
                               "\r\na6 EXAMINE \"INBOX\"\r\na7 FETCH 1:* (UID)\r\n"
                               "a8 UID FETCH 31,30 (BODY.PEEK[HEADER.FIELDS (FROM SUBJECT)])\r\na9 LOGOUT\r\n");
}

TEST_F(ImapClient, ARefusalByeStallOrCloseFailsTheCheckAndTheNextOneWorks) {
  const std::pair<std::string, std::string> capability = {"CAPABILITY", "* CAPABILITY IMAP4rev1\r\n$ OK\r\n"};
  const std::pair<std::string, std::string> login = {"LOGIN", "$ OK\r\n"};
  Server.Add(ServerScript::Imap("* OK\r\n", {capability, {"LOGIN", "$ NO [AUTHENTICATIONFAILED] Authentication failed.\r\n"}}));
  Server.Add(ServerScript::Imap("* BYE Too many connections\r\n", {}));
  Server.Add(ServerScript::Imap("* OK\r\n", {capability, login, {"STATUS", "* BYE Server shutting down\r\n"}}));
  Server.Add(ServerScript()
                 .Send("* OK\r\n")
                 .Reply("* CAPABILITY IMAP4rev1\r\na6 OK\r\n")
                 .Reply("a7 OK\r\n")
                 .Reply("* STATUS INBOX {20}\r\nIN")
                 .Close());
  Server.Add(ServerScript().Send("* OK\r\n").Receive());
  Server.Add(ServerScript::Imap("* OK\r\n", {capability, login, {"STATUS", "* STATUS INBOX (MESSAGES 9)\r\n$ OK\r\n"}, kLogout}));

  EXPECT_EQ(MessageOf([this] { Client.Connect(); }), "ユーザー名またはパスワードが正しくありません。");
  EXPECT_EQ(MessageOf([this] { Client.Connect(); }), "サーバーの応答: Too many connections");
  EXPECT_EQ(MessageOf([this] { Client.Connect(); }), "サーバーの応答: Server shutting down");
  EXPECT_NE(MessageOf([this] { Client.Connect(); }), "(no exception)") << "closed inside a literal";
  Client.TimeOut = 300;
  EXPECT_EQ(MessageOf([this] { Client.Connect(); }), "Socket readln aborted");
  for (std::size_t session = 0; session < 5; ++session) {
    EXPECT_FALSE(Client.Connected());
    Transcript(session);
  }
  Client.Connect();
  EXPECT_EQ(Client.MessageCount(), 9);
  Client.Disconnect();
}

// Mail may arrive during the UID listing (told by EXISTS before it is numbered) or a message may have
// no UID; a message number the server never told of fails the check.
TEST_F(ImapClient, AListingNumbersOnlyTheMessagesTheServerToldOf) {
  const auto listing = [](const std::string& fetch) {
    return ServerScript::Imap("* PREAUTH ready\r\n", {{"EXAMINE", "* OK [UIDVALIDITY 7] v\r\n* 2 EXISTS\r\n$ OK\r\n"},
                                                       {"FETCH 1:*", fetch + "$ OK\r\n"},
                                                       kLogout});
  };
  Server.Add(listing("* 1 FETCH (UID 5)\r\n* 3 EXISTS\r\n* 3 FETCH (UID 7)\r\n* 2 FETCH (UID 6)\r\n"));
  Server.Add(listing("* 1 FETCH (UID 5)\r\n* 3 FETCH (UID 7)\r\n"));
  Server.Add(listing("* 2 FETCH (FLAGS ())\r\n* 1 FETCH (UID 5)\r\n"));
  Client.AskIds = true;
  const auto ids = [this] {
    std::vector<std::string> found;
    for (const TUidlEntry& entry : *Client.MessageIds()) found.push_back(entry.Id);
    return found;
  };

  Client.Connect();
  EXPECT_EQ(ids(), (std::vector<std::string>{"7:5", "7:6"}));
  Client.Disconnect();
  EXPECT_NE(MessageOf([this] { Client.Connect(); }), "(no exception)");
  EXPECT_FALSE(Client.Connected());
  Client.Connect();
  EXPECT_EQ(Client.MessageCount(), 2);
  EXPECT_EQ(ids(), std::vector<std::string>{"7:5"});
  Client.Disconnect();
}
