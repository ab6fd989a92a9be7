#include "imap/portable/IdleDialogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Feeds the server's bytes and gathers what the dialogue asks for.
struct Exchange {
  explicit Exchange(TSecurity security, std::string password = "secret") : Dialogue(security, "user", password) {}

  TIdleOutput Server(std::string_view bytes) {
    TIdleOutput all;
    Stream.Add(bytes, [&](const TImapResponse& response) {
      const TIdleOutput out = Dialogue.Take(response);
      all.Send += out.Send;
      all.StartTls |= out.StartTls;
      all.Idling |= out.Idling;
      all.Mail |= out.Mail;
      all.NoIdle |= out.NoIdle;
      if (out.Failure) all.Failure = out.Failure;
    });
    return all;
  }

  TImapResponseStream Stream;
  TIdleDialogue Dialogue;
};

}  // namespace

TEST(IdleDialogue, LogsInExaminesTheInboxIdlesAndTellsChangesUntilTheGoodbye) {
  Exchange e(TSecurity::None, "p\xE4ssword");
  EXPECT_EQ(e.Server("* OK ready\r\n").Send, "w1 CAPABILITY\r\n");
  // A password outside ASCII goes as a literal, after the server's "+".
  EXPECT_EQ(e.Server("* CAPABILITY IMAP4rev1\r\nw1 OK done\r\n").Send, "w2 LOGIN \"user\" {8}\r\n");
  EXPECT_EQ(e.Server("+ go on\r\n").Send, "p\xE4ssword\r\n");
  // What the server can do is asked again after the login.
  EXPECT_EQ(e.Server("w2 OK logged in\r\n").Send, "w3 CAPABILITY\r\n");
  EXPECT_EQ(e.Server("* CAPABILITY IMAP4rev1 IDLE\r\nw3 OK\r\n").Send, "w4 EXAMINE \"INBOX\"\r\n");
  // The count that EXAMINE gives is no change.
  const TIdleOutput opened = e.Server("* 3 EXISTS\r\n* OK [UIDVALIDITY 5] ok\r\nw4 OK [READ-ONLY] done\r\n");
  EXPECT_EQ(opened.Send, "w5 IDLE\r\n");
  EXPECT_FALSE(opened.Mail);
  EXPECT_FALSE(e.Dialogue.Idling());
  EXPECT_TRUE(e.Server("+ idling\r\n").Idling);
  EXPECT_FALSE(e.Dialogue.AwaitingAnswer());
  EXPECT_FALSE(e.Server("* 2 FETCH (FLAGS (\\Seen))\r\n").Mail);
  EXPECT_TRUE(e.Server("* 4 EXISTS\r\n* 1 RECENT\r\n").Mail);
  EXPECT_TRUE(e.Server("* 1 EXPUNGE\r\n").Mail);
  // Renewed: DONE, and IDLE again once the server has answered.
  EXPECT_EQ(e.Dialogue.Renew().Send, "DONE\r\n");
  EXPECT_TRUE(e.Dialogue.AwaitingAnswer());
  EXPECT_EQ(e.Server("w5 OK idle done\r\n").Send, "w6 IDLE\r\n");
  EXPECT_TRUE(e.Server("+ idling\r\n").Idling);
  EXPECT_EQ(e.Dialogue.Goodbye(), "DONE\r\nw7 LOGOUT\r\n");
  EXPECT_EQ(e.Server("* BYE\r\nw7 OK\r\n").Send, "");
}

TEST(IdleDialogue, StartTlsComesBeforeThePasswordAndForgetsWhatWasSaidInClear) {
  Exchange refused(TSecurity::StartTls);
  EXPECT_EQ(refused.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready\r\n").Send, "w1 STARTTLS\r\n");
  const TIdleOutput no = refused.Server("w1 NO not now\r\n");
  EXPECT_EQ(no.Failure, TlsFailureText(TTlsFailure::NoStartTls));
  EXPECT_EQ(no.Send, "");

  Exchange secured(TSecurity::StartTls);
  secured.Server("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n");
  EXPECT_TRUE(secured.Server("w1 OK begin\r\n").StartTls);
  EXPECT_EQ(secured.Dialogue.TlsStarted().Send, "w2 CAPABILITY\r\n");
  EXPECT_EQ(secured.Server("* CAPABILITY IMAP4rev1 AUTH=PLAIN LOGINDISABLED\r\nw2 OK\r\n").Send,
            "w3 AUTHENTICATE PLAIN\r\n");

  // A session authenticated before TLS can no longer be secured.
  Exchange preauth(TSecurity::StartTls);
  EXPECT_EQ(preauth.Server("* PREAUTH welcome\r\n").Failure, TlsFailureText(TTlsFailure::NoStartTls));
}

TEST(IdleDialogue, EndsOnAByeARefusalOrAResponseOutOfPlaceAndLeavesAServerWithoutIdle) {
  Exchange noIdle(TSecurity::Tls);
  noIdle.Server("* OK ready\r\n");
  noIdle.Server("* CAPABILITY IMAP4rev1\r\nw1 OK\r\n");
  noIdle.Server("w2 OK\r\n");
  const TIdleOutput left = noIdle.Server("* CAPABILITY IMAP4rev1\r\nw3 OK\r\n");
  EXPECT_TRUE(left.NoIdle);
  EXPECT_EQ(left.Send, "w4 LOGOUT\r\n");

  Exchange bye(TSecurity::None);
  bye.Server("* PREAUTH hi\r\n");
  bye.Server("* CAPABILITY IDLE\r\nw1 OK\r\n");
  bye.Server("w2 OK\r\n");
  bye.Server("+ idling\r\n");
  EXPECT_EQ(bye.Server("* BYE [UNAVAILABLE] going down\r\n").Failure, RefusalText(ParseImapResponse("* BYE [UNAVAILABLE] going down")));
  EXPECT_EQ(bye.Server("* 9 EXISTS\r\n").Mail, false);

  Exchange refused(TSecurity::None);
  refused.Server("* OK [CAPABILITY IMAP4rev1] ready\r\n");
  EXPECT_TRUE(refused.Server("w1 NO [AUTHENTICATIONFAILED] nope\r\n").Failure.has_value());

  Exchange stray(TSecurity::None);
  stray.Server("* OK [CAPABILITY IMAP4rev1] ready\r\n");
  EXPECT_EQ(stray.Server("w9 OK\r\n").Failure, "Unexpected IMAP tag");

  // Anyone on the path may have written a refusal that came before TLS.
  Exchange clear(TSecurity::StartTls);
  clear.Server("* OK ready\r\n");
  EXPECT_EQ(clear.Server("* BYE [ALERT] call 555-0100\r\n").Failure, kRefusedBeforeTlsText);
}

TEST(ImapResponseStream, CutsResponsesWhereverTheBytesBreakAndBoundsALine) {
  TImapResponseStream stream;
  std::vector<std::string> kinds;
  const auto take = [&](const TImapResponse& r) { kinds.push_back(r.Kind + (r.Data.empty() ? "" : ":" + r.Data.back().Text)); };
  stream.Add("* 4 EXI", take);
  stream.Add("STS\r\n* 1 FETCH (BODY[] {5}\r\na\nb\r\n)\r", take);
  EXPECT_EQ(kinds, std::vector<std::string>{"EXISTS"});
  stream.Add("\nw1 OK\r\n", take);
  ASSERT_EQ(kinds.size(), 3u);
  EXPECT_EQ(kinds[2], "OK");
  TImapResponseStream flood;
  EXPECT_THROW(flood.Add(std::string(kMaxImapResponseBytes, 'x'), take), Exception);
}
