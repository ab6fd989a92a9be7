#include "checking/portable/SeenIds.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "accounts/portable/AccountFile.h"
#include "toolkit/portable/Percent.h"

namespace checking {

namespace {

// An account's line holds a server and a user of one account.dat line, each byte escaped in at most
// three: longer than an account line, so the file's lines are bounded by that, not by its bound.
constexpr std::size_t kMaxIdsLineBytes = 3 * accounts::kMaxLineBytes + 16;

// The numbers of the listing's messages that `isNew` picks, the newest (highest number) first.
template <typename Pick>
std::vector<int32_t> NewestFirst(const std::vector<TUidlEntry>& listing, const Pick& isNew) {
  std::vector<int32_t> numbers;
  for (const TUidlEntry& entry : listing) {
    if (isNew(entry)) numbers.push_back(entry.Number);
  }
  std::sort(numbers.rbegin(), numbers.rend());
  return numbers;
}

void SortUnique(IdList& ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
}

// Keeps a key's field one blank-free, bracket-free ASCII word whatever bytes the account holds.
bool KeptInKey(unsigned char byte) { return byte > 0x20 && byte < 0x7F && byte != '%' && byte != '[' && byte != ']'; }

// The account of a "[server port user]" line; nothing for any other line.
std::optional<AccountKey> SectionKey(std::string_view line) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  line = line.substr(1, line.size() - 2);
  const std::size_t first = line.find(' ');
  const std::size_t second = line.find(' ', first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos ||
      line.find(' ', second + 1) != std::string_view::npos) {
    return std::nullopt;
  }
  AccountKey key;
  const std::string_view port = line.substr(first + 1, second - first - 1);
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), key.Port);
  const std::optional<std::string> server = PercentDecode(line.substr(0, first), false);
  const std::optional<std::string> user = PercentDecode(line.substr(second + 1), false);
  if (error != std::errc() || end != port.data() + port.size() || key.Port < 1 || key.Port > 65535 || !server ||
      !user) {
    return std::nullopt;
  }
  key.Server = *server;
  key.User = *user;
  return key;
}

}  // namespace

std::vector<int32_t> NewMessages(const IdList* recorded, const std::vector<TUidlEntry>& listing) {
  return NewestFirst(listing, [recorded](const TUidlEntry& entry) {
    return !recorded || !std::binary_search(recorded->begin(), recorded->end(), entry.Id);
  });
}

std::vector<int32_t> NewImapMessages(const IdList* recorded, const std::vector<TUidlEntry>& listing) {
  if (!recorded || recorded->empty() || listing.empty()) return NewMessages(recorded, listing);
  const std::string_view first = listing.front().Id;
  const std::string validity(first.substr(0, first.find(':') + 1));
  // The record is sorted, so an id of the same UIDVALIDITY, if there is one, is at its lower bound.
  const auto same = std::lower_bound(recorded->begin(), recorded->end(), validity);
  if (same != recorded->end() && same->starts_with(validity)) return NewMessages(recorded, listing);
  return NewestFirst(listing, [recorded](const TUidlEntry& entry) {
    return static_cast<std::size_t>(entry.Number) > recorded->size();
  });
}

SeenIds SeenIds::Parse(std::string_view bytes) {
  SeenIds seen;
  IdList* ids = nullptr;
  for (const std::string_view line : accounts::SplitLines(bytes, kMaxIdsLineBytes)) {
    if (line.find(' ') != std::string_view::npos) {
      const std::optional<AccountKey> key = SectionKey(line);
      ids = key ? &seen.Accounts[*key] : nullptr;
    } else if (ids && IsUniqueId(line)) {
      ids->emplace_back(line);
    }
  }
  for (auto& [key, list] : seen.Accounts) SortUnique(list);
  return seen;
}

std::string SeenIds::Format() const {
  std::string text;
  for (const auto& [key, ids] : Accounts) {
    text += "[" + PercentEncode(key.Server, KeptInKey) + " " + std::to_string(key.Port) + " " + PercentEncode(key.User, KeptInKey) + "]\r\n";
    for (const std::string& id : ids) text.append(id).append("\r\n");
  }
  return text;
}

const IdList* SeenIds::Find(const AccountKey& account) const {
  const auto found = Accounts.find(account);
  return found == Accounts.end() ? nullptr : &found->second;
}

void SeenIds::Record(const AccountKey& account, const std::vector<TUidlEntry>& listing) {
  IdList ids;
  ids.reserve(listing.size());
  for (const TUidlEntry& entry : listing) ids.push_back(entry.Id);
  SortUnique(ids);
  Accounts[account] = std::move(ids);
}

void SeenIds::Add(const AccountKey& account, const std::vector<TUidlEntry>& listing) {
  IdList& ids = Accounts[account];
  for (const TUidlEntry& entry : listing) ids.push_back(entry.Id);
  SortUnique(ids);
}

void SeenIds::KeepOnly(const std::vector<AccountKey>& accounts) {
  std::erase_if(Accounts, [&accounts](const auto& record) {
    return std::find(accounts.begin(), accounts.end(), record.first) == accounts.end();
  });
}

}  // namespace checking
