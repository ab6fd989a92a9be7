#pragma once
// How each account stands after its last check, as the account table and the tray icon's tip show
// it, and the check log's line. Texts are code page 932. No Windows API.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "accounts/portable/AccountTable.h"

namespace checking {

// A local wall-clock time.
struct TWallTime {
  int Year = 0;
  int Month = 0;
  int Day = 0;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
};

// How one account's check ended. New mail is what the check told the user of: the count of the
// notice (by count: the changed count; by identity: the messages not seen before); nothing told
// (count unchanged or fallen to 0, no unseen message) is "unchanged".
struct TCheckOutcome {
  enum class TKind { Unchanged, NewMail, Failed };
  TKind Kind = TKind::Unchanged;
  std::int32_t NewMessages = 0;
  // A failure's reason as the failure notice shows it; empty when the notice has none.
  std::string Reason;
  // A failure's own text (a server's reply, a socket error), for the log only: the notice never
  // shows it.
  std::string Detail;
};

// The longest first line of a reason or a server's text kept, in bytes.
inline constexpr std::size_t kMaxReasonBytes = 160;

// The first line of `text`, cut to `maxBytes` without parting a double-byte character.
std::string FirstLine(std::string_view text, std::size_t maxBytes = kMaxReasonBytes);

// "12:05 新着 2 通", "12:05 失敗: <the reason's first line>" ("12:05 失敗" without a reason),
// "12:05 変化なし".
std::string StandingText(const TWallTime& at, const TCheckOutcome& outcome);

// The tray icon's tip: `status` (the account being checked, or the mail waiting), then
// "次のチェック 12:35" while the timer runs, then the number of accounts whose last check failed,
// one a line. Never over `maxChars` characters (a UTF-16 unit each): `status` is cut, ending in "…".
std::string TrayTip(std::string_view status, const std::optional<TWallTime>& nextCheck, std::size_t failedAccounts,
                    std::size_t maxChars);

// The standings of the run, each kept with the account it belongs to: by the cells that name the
// account and say where and how it is checked, so that rows moving up keep theirs and an account
// edited to another server or user starts afresh. Never saved.
class AccountStandings {
public:
  void Record(const accounts::AccountTable& table, int row, std::string text);
  // Empty for a row never checked in this run.
  std::string Of(const accounts::AccountTable& table, int row) const;

private:
  using TKey = std::vector<std::string>;
  static TKey KeyOf(const accounts::AccountTable& table, int row);
  // Only the accounts still in the table keep a standing.
  void KeepPresent(const accounts::AccountTable& table);

  std::map<TKey, std::string> Texts;
};

// The check log, one line per account check: local date and time, account name, protocol, outcome
// ("新着 2 通", "変化なし" or "失敗"), duration in ms and a failure's first line, separated by tabs and
// ended by CR LF. Control characters of the texts become spaces, and the password (when not empty)
// is masked wherever a server's text repeats it.
struct TLogEntry {
  TWallTime At;
  std::string Account;
  std::string Protocol;
  TCheckOutcome Outcome;
  std::uint64_t DurationMs = 0;
};
std::string CheckLogLine(const TLogEntry& entry, std::string_view password);

// The log is moved aside before it would pass this size.
inline constexpr std::uint64_t kMaxLogBytes = 1024 * 1024;
// Whether a log of `logBytes` must be moved aside before a line of `lineBytes` is appended.
bool LogMustRotate(std::uint64_t logBytes, std::uint64_t lineBytes);

}  // namespace checking
