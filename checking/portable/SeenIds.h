#pragma once
// Which messages are new: the unique ids seen per account, the ids file that keeps them between
// runs, and the rule that compares them with a UIDL listing. No Windows API, no disk access.
//
// Memory: a record is a sorted vector of ids. A Dovecot id has 16 characters, past std::string's
// in-place buffer, so each costs its string (24 bytes in the 32-bit program) and a heap block of
// about 32: some 0.6 MB for a mailbox of 10,000 messages, at most about 1 MB with 70-character ids.
// While a check reads its listing, the reply's lines and the parsed entries hold about as much
// each. The file holds 18 bytes a message.
#include <compare>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "pop3/portable/Pop3Listing.h"

namespace checking {

// An account as the ids file knows it: renaming an account keeps its history, a changed server,
// port or user starts a new one.
struct AccountKey {
  std::string Server;
  int32_t Port = 110;
  std::string User;
  auto operator<=>(const AccountKey&) const = default;
};

using IdList = std::vector<std::string>;  // sorted, each id once

// The message numbers of the listing whose ids are not recorded, the newest (highest number)
// first; with no record at all (the account's first check) every message.
std::vector<int32_t> NewMessages(const IdList* recorded, const std::vector<TUidlEntry>& listing);
// The same for IMAP ids, "UIDVALIDITY:UID". A server may give the INBOX a new UIDVALIDITY at any
// session, and then no recorded id says anything about the listing; the messages beyond the count of
// the recorded listing are the new ones, as when new mail is told by the count. The record keeps what
// that needs: its UIDVALIDITY in each id and its count in the number of ids.
std::vector<int32_t> NewImapMessages(const IdList* recorded, const std::vector<TUidlEntry>& listing);

class SeenIds {
public:
  // The file: per account a line "[server port user]" (server and user with "%XX" for a blank, a
  // bracket, "%" and bytes outside ASCII), then its ids one a line. A line that is neither, or an
  // id before any account, is skipped, so a truncated or hand-edited file still loads what it can.
  static SeenIds Parse(std::string_view bytes);
  // The whole file, each line ended by CR LF.
  std::string Format() const;

  // Nothing when the account has no record.
  const IdList* Find(const AccountKey& account) const;
  // After a successful check the record is exactly the ids present now, so mail that is gone leaves it.
  void Record(const AccountKey& account, const std::vector<TUidlEntry>& listing);
  // After a listing that missed some messages: its ids join the record and none leaves it, since the
  // missing ones may still be there.
  void Add(const AccountKey& account, const std::vector<TUidlEntry>& listing);
  // Drops the records of accounts no longer in the table.
  void KeepOnly(const std::vector<AccountKey>& accounts);

  bool operator==(const SeenIds&) const = default;

private:
  std::map<AccountKey, IdList> Accounts;
};

}  // namespace checking
