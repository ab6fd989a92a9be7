#include "checking/portable/SeenIds.h"

#include <gtest/gtest.h>

using namespace checking;

namespace {

std::vector<TUidlEntry> Listing(std::initializer_list<const char*> ids) {
  std::vector<TUidlEntry> listing;
  for (const char* id : ids) listing.push_back({static_cast<int32_t>(listing.size() + 1), id});
  return listing;
}

}  // namespace

TEST(NewMessages, FirstCheckAllThenOnlyIdsNotSeenNewestFirst) {
  SeenIds seen;
  const AccountKey home{"pop.example.jp", 110, "taro"};
  EXPECT_EQ(NewMessages(seen.Find(home), Listing({"a", "b"})), (std::vector<int32_t>{2, 1}));
  seen.Record(home, Listing({"a", "b"}));
  // "a" was fetched elsewhere and "c", "d" arrived: numbers shift, ids do not.
  EXPECT_EQ(NewMessages(seen.Find(home), Listing({"b", "c", "d"})), (std::vector<int32_t>{3, 2}));
  seen.Record(home, Listing({"b"}));
  EXPECT_EQ(*seen.Find(home), (IdList{"b"}));
  EXPECT_TRUE(NewMessages(seen.Find(home), Listing({})).empty());
  EXPECT_EQ(seen.Find({"pop.example.jp", 995, "taro"}), nullptr);
}

TEST(SeenIds, FileKeepsEveryAccountAndSkipsWhatItCannotRead) {
  SeenIds seen;
  const AccountKey odd{"mail.example.jp", 995, "山田 [太郎]%"};
  const AccountKey empty{"127.0.0.1", 110, "a"};
  seen.Record(odd, Listing({"[x]", "0000000150e8b0a1"}));
  seen.Record(empty, Listing({}));
  const std::string file = seen.Format();
  EXPECT_EQ(file.find('\x8E'), std::string::npos) << "the user name is escaped";
  const SeenIds read = SeenIds::Parse(file);
  ASSERT_NE(read.Find(odd), nullptr);
  EXPECT_EQ(*read.Find(odd), (IdList{"0000000150e8b0a1", "[x]"}));
  ASSERT_NE(read.Find(empty), nullptr);
  EXPECT_TRUE(read.Find(empty)->empty());

  // The longest user an account line can hold reads back, although escaping makes its line three
  // times as long as any line of account.dat.
  const AccountKey longUser{"pop.example.jp", 110, std::string(4000, '\x8E')};
  seen.Record(longUser, Listing({"k"}));
  ASSERT_NE(SeenIds::Parse(seen.Format()).Find(longUser), nullptr);
  EXPECT_EQ(SeenIds::Parse(seen.Format()), seen);

  // Hand-edited and cut short: stray ids, broken sections and long lines are skipped.
  const SeenIds broken = SeenIds::Parse(
      "orphan\n[h 0 u]\nlost\n[h 110 u%G1]\nlost\n[h 110 u]\r\nkept\nnot an id\n" + std::string(71, 'x') +
      "\n[h 110 u]\nmerged\n[h 11");
  EXPECT_EQ(*broken.Find({"h", 110, "u"}), (IdList{"kept", "merged"}));
  EXPECT_EQ(broken.Format(), "[h 110 u]\r\nkept\r\nmerged\r\n");

  seen.KeepOnly({empty});
  EXPECT_EQ(seen.Find(odd), nullptr);
  EXPECT_NE(seen.Find(empty), nullptr);
}

// A server may give the INBOX a new UIDVALIDITY at every session: then only the messages beyond the
// recorded listing's count are new. Within one UIDVALIDITY, and for a first check, ids decide.
TEST(NewImapMessages, AChangedUidValidityAnnouncesOnlyTheMessagesBeyondTheRecordedCount) {
  SeenIds seen;
  const AccountKey inbox{"imap.example.jp", 143, "taro"};
  EXPECT_EQ(NewImapMessages(seen.Find(inbox), Listing({"7:1", "7:2"})), (std::vector<int32_t>{2, 1}));
  seen.Record(inbox, Listing({"7:1", "7:2", "7:3"}));
  EXPECT_TRUE(NewImapMessages(seen.Find(inbox), Listing({"8:1", "8:2", "8:3"})).empty());
  EXPECT_EQ(NewImapMessages(seen.Find(inbox), Listing({"8:4", "8:5", "8:6", "8:7", "8:8"})),
            (std::vector<int32_t>{5, 4}));
  EXPECT_TRUE(NewImapMessages(seen.Find(inbox), Listing({"70:1"})).empty()) << "70 is not 7";
  // Within one UIDVALIDITY a message that replaced another is new although the count stayed.
  EXPECT_EQ(NewImapMessages(seen.Find(inbox), Listing({"7:1", "7:3", "7:4"})), (std::vector<int32_t>{3}));
  seen.Record(inbox, Listing({}));
  EXPECT_EQ(NewImapMessages(seen.Find(inbox), Listing({"9:1"})), (std::vector<int32_t>{1}));
}
