#include "pop3/portable/Pop3Listing.h"

#include <gtest/gtest.h>

#include <string>

#include "toolkit/portable/Exception.h"

namespace {

// Feeds lines until the reply ends; the number of lines taken.
std::size_t Feed(TMultiLineReply& reply, const std::vector<std::string>& lines) {
  std::size_t taken = 0;
  for (const std::string& line : lines) {
    ++taken;
    if (reply.Add(line)) break;
  }
  return taken;
}

}  // namespace

TEST(MultiLineReply, UnstuffsDotsAndStopsAtTheTerminator) {
  TMultiLineReply top = TMultiLineReply::Top();
  EXPECT_EQ(Feed(top, {"Subject: a\r\n", "..x\r\n", "b\n", "\r\n", ".\r\n", "after\r\n"}), 5u);
  EXPECT_EQ(top.Text(), "Subject: a\r\n.x\r\nb\r\n\r\n");
}

TEST(MultiLineReply, AnEndlessOrCutReplyFailsAtItsBound) {
  TMultiLineReply uidl = TMultiLineReply::Uidl(2);
  EXPECT_EQ(Feed(uidl, {"1 a\r\n", "2 b\r\n", ".\r\n"}), 3u);
  TMultiLineReply endless = TMultiLineReply::Uidl(2);
  EXPECT_THROW(Feed(endless, {"1 a\r\n", "2 b\r\n", "3 c\r\n"}), Exception);
  TMultiLineReply fat(100, 20);
  EXPECT_THROW(Feed(fat, {"0123456789\r\n", "0123456789\r\n"}), Exception);
  TMultiLineReply cut = TMultiLineReply::Top();
  EXPECT_THROW(Feed(cut, {"Subject: a\r\n", ""}), Exception);
}

TEST(ParseUidlListing, TakesRfcIdsWholeAndRefusesAnythingElse) {
  const std::string longest(70, '~');
  const std::vector<TUidlEntry> entries = ParseUidlListing({"1 00000001abc", "3 " + longest + " ", "2 !"});
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].Number, 3);
  EXPECT_EQ(entries[1].Id, longest);
  EXPECT_EQ(entries[2].Id, "!");
  for (const std::string& bad : {"1 " + longest + "~", std::string("1 a b"), std::string("1 a\x7F"),
                                 std::string("1"), std::string("1 "), std::string("0 a"), std::string("-1 a"),
                                 std::string("x a"), std::string("99999999999 a")}) {
    EXPECT_THROW(ParseUidlListing({bad}), Exception) << bad;
  }
  EXPECT_THROW(ParseUidlListing({"1 a", "1 b"}), Exception);
  // A number beyond STAT's count names no message of the mailbox.
  EXPECT_EQ(ParseUidlListing({"2 b"}, 2).size(), 1u);
  EXPECT_THROW(ParseUidlListing({"1 a", "3 c"}, 2), Exception);
}
