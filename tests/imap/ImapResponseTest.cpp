#include "imap/portable/ImapResponse.h"

#include <gtest/gtest.h>

#include "imap/portable/ImapCommands.h"

#include <string>
#include <vector>

namespace {

// Feeds the lines as the transport reads them; the response and the number of lines it took.
std::pair<std::string, std::size_t> Collect(const std::vector<std::string>& lines) {
  TImapResponseReader reader;
  std::size_t taken = 0;
  for (const std::string& line : lines) {
    ++taken;
    if (reader.Add(line)) break;
  }
  return {reader.Text(), taken};
}

}  // namespace

TEST(ImapResponseReader, FollowsLiteralsAcrossLinesAndStopsAtTheResponsesEnd) {
  // A literal that holds line breaks and ends inside a line, one that ends at a line break, an empty one.
  EXPECT_EQ(Collect({"* 1 FETCH (UID 7 BODY[HEADER.FIELDS (FROM SUBJECT)] {21}\r\n", "From: a\r\n",
                     "Subject: b\r\n", ")\r\n", "a5 OK\r\n"})
                .second,
            4u);
  EXPECT_EQ(Collect({"* 1 FETCH (BODY[] {3}\r\n", "ab\n", "FLAGS ())\r\n", "a5 OK\r\n"}).second, 3u);
  EXPECT_EQ(Collect({"* 1 FETCH (BODY[] {0}\r\n", ")\r\n", "a5 OK\r\n"}).second, 2u);
  EXPECT_EQ(Collect({"* 2 EXISTS\r\n", "* 1 RECENT\r\n"}).second, 1u);
  TImapResponseReader cut;
  EXPECT_FALSE(cut.Add("* 1 FETCH (BODY[] {10}\r\n"));
  EXPECT_THROW(cut.Add("abc"), Exception) << "the server closed the connection inside the literal";
  TImapResponseReader small(16);
  EXPECT_THROW(small.Add("* 1 FETCH (UID 12345678)\r\n"), Exception);
}

// Responses as Dovecot and other servers send them.
TEST(ParseImapResponse, ReadsTheResponsesOfACheck) {
  const TImapResponse greeting = ParseImapResponse(
      "* OK [CAPABILITY IMAP4rev1 SASL-IR LOGIN-REFERRALS ID ENABLE IDLE LITERAL+ STARTTLS LOGINDISABLED] Dovecot ready.\r\n");
  EXPECT_EQ(greeting.Kind, "OK");
  EXPECT_EQ(greeting.Text, "Dovecot ready.");
  ASSERT_TRUE(Capabilities(greeting));
  EXPECT_TRUE(Capabilities(greeting)->contains("LOGINDISABLED"));
  EXPECT_TRUE(Capabilities(ParseImapResponse("* capability imap4rev1 starttls auth=plain\r\n"))->contains("AUTH=PLAIN"));
  EXPECT_FALSE(Capabilities(ParseImapResponse("* OK [ALERT] x\r\n")));

  EXPECT_EQ(StatusMessages(ParseImapResponse("* STATUS INBOX (MESSAGES 231)\r\n")), 231u);
  EXPECT_EQ(StatusMessages(ParseImapResponse("* STATUS \"INBOX\" (UIDNEXT 44 MESSAGES 3)\r\n")), 3u);
  EXPECT_EQ(StatusMessages(ParseImapResponse("* STATUS {5}\r\nINBOX (MESSAGES 0)\r\n")), 0u);

  const TImapResponse exists = ParseImapResponse("* 172 EXISTS\r\n");
  EXPECT_EQ(exists.Kind, "EXISTS");
  EXPECT_EQ(exists.Number, 172u);
  EXPECT_EQ(UidValidity(ParseImapResponse("* OK [UIDVALIDITY 3857529045] UIDs valid\r\n")), 3857529045u);
  EXPECT_FALSE(UidValidity(ParseImapResponse("* OK [UIDVALIDITY 99999999999] x\r\n")));
  EXPECT_FALSE(UidValidity(ParseImapResponse("* OK [PERMANENTFLAGS (\\Deleted \\Seen \\*)] Limited\r\n")));
  EXPECT_TRUE(ParseImapResponse("* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)\r\n").Data.size() == 1);

  const std::string header = "From: =?UTF-8?B?5aSq6YOO?= <taro@example.jp>\r\nSubject: \"quoted\" (x)\r\n\r\n";
  const TImapFetch fetch = FetchOf(ParseImapResponse("* 12 FETCH (FLAGS (\\Seen) BODY[HEADER.FIELDS (FROM SUBJECT)] {" +
                                                     std::to_string(header.size()) + "}\r\n" + header + " UID 4827)\r\n"));
  EXPECT_EQ(fetch.Uid, 4827u);
  EXPECT_EQ(fetch.Header, header);
  EXPECT_EQ(FetchOf(ParseImapResponse("* 1 FETCH (UID 9 BODY[HEADER.FIELDS (\"FROM\" \"SUBJECT\")] \"\")\r\n")).Header, "");
  EXPECT_EQ(FetchOf(ParseImapResponse("* 1 FETCH (UID 9 BODY[HEADER.FIELDS (FROM SUBJECT)] NIL)\r\n")).Header, "");

  const TImapResponse refused = ParseImapResponse("a2 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n");
  EXPECT_TRUE(refused.Tagged());
  EXPECT_EQ(refused.Kind, "NO");
  EXPECT_EQ(RefusalText(refused), "ユーザー名またはパスワードが正しくありません。");
  EXPECT_EQ(RefusalText(ParseImapResponse("a3 NO Mailbox is locked \xE2\x80\x94 try later\r\n")),
            "サーバーの応答: Mailbox is locked  try later");
  EXPECT_EQ(ParseImapResponse("* BYE Disconnected for inactivity.\r\n").Kind, "BYE");
  EXPECT_EQ(ParseImapResponse("+ \r\n").Tag, "+");
  EXPECT_EQ(ParseImapResponse("a1 ok done\r\n").Kind, "OK");

  for (const char* broken : {"\r\n", "* 1 FETCH (UID 9\r\n", "* 1 FETCH (UID 9) )\r\n", "* STATUS \"INBOX (MESSAGES 1)\r\n",
                             "* 1 FETCH (BODY[] {9}\r\nab)\r\n", "a1 FETCH x\r\n", "* OK [UIDVALIDITY 1\r\n"}) {
    EXPECT_THROW(ParseImapResponse(broken), Exception) << broken;
  }
}

// What a hostile server may send: nesting without end, message numbers that index nothing, texts
// of any length.
TEST(ParseImapResponse, BoundsNestingRefusesMessageNumberZeroAndCutsTheServersText) {
  const std::string deepest = "* X " + std::string(kMaxImapDepth, '(') + std::string(kMaxImapDepth, ')') + "\r\n";
  EXPECT_EQ(ParseImapResponse(deepest).Data.size(), 1u);
  EXPECT_THROW(ParseImapResponse("* X " + std::string(kMaxImapDepth + 1, '(') + "\r\n"), Exception);
  // Far deeper than a thread's stack would take, in lines that each stay under the line bound.
  std::string flood = "* X ";
  for (int line = 0; line < 16; ++line) flood += std::string(60000, '(') + "{0}\r\n";
  EXPECT_THROW(ParseImapResponse(flood + "\r\n"), Exception);

  for (const char* broken : {"* 0 FETCH (UID 5)\r\n", "* 0 EXPUNGE\r\n", "* FETCH (UID 5)\r\n", "* EXISTS\r\n"}) {
    EXPECT_THROW(ParseImapResponse(broken), Exception) << broken;
  }
  EXPECT_EQ(ParseImapResponse("* 0 EXISTS\r\n").Number, 0u) << "an empty mailbox";
  EXPECT_EQ(ParseImapResponse("* 1 EXPUNGE\r\n").Number, 1u);

  const std::string reason = RefusalText(ParseImapResponse("* BYE " + std::string(60000, 'x') + "\r\n"));
  EXPECT_EQ(reason, "サーバーの応答: " + std::string(kMaxServerTextChars - 1, 'x') + "…");
  EXPECT_EQ(RefusalText(ParseImapResponse("a1 NO " + std::string(kMaxServerTextChars, 'y') + "\r\n")),
            "サーバーの応答: " + std::string(kMaxServerTextChars, 'y'));
}

TEST(ImapCommand, QuotesWhatAQuotedStringHoldsAndSendsTheRestAsLiterals) {
  EXPECT_EQ(ImapCommand("a1 LOGIN", {"taro", "p\"a\\ss word"}),
            (std::vector<std::string>{"a1 LOGIN \"taro\" \"p\\\"a\\\\ss word\""}));
  EXPECT_EQ(ImapCommand("a1 LOGIN", {"\xe5\xa4\xaa", "pw"}),
            (std::vector<std::string>{"a1 LOGIN {3}", "\xe5\xa4\xaa \"pw\""}));
  EXPECT_EQ(ImapCommand("a1 LOGIN", {"u", "a\r\nb"}), (std::vector<std::string>{"a1 LOGIN \"u\" {4}", "a\r\nb"}));
  EXPECT_EQ(PlainCredentials("tim", "tanstaaftanstaaf"), "AHRpbQB0YW5zdGFhZnRhbnN0YWFm");
  EXPECT_EQ(PlainCredentials("a", ""), "AGEA");
}
