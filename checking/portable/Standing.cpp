#include "checking/portable/Standing.h"

#include <algorithm>
#include <cstdio>

#include "toolkit/portable/Cp932.h"

namespace checking {

namespace {

std::string_view FirstLineOf(std::string_view text) { return text.substr(0, text.find_first_of("\r\n")); }

std::string Cut(std::string_view text, std::size_t maxBytes) { return std::string(cp932::TruncateChars(text, maxBytes)); }

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", std::clamp(value, 0, 99));
  return text;
}

std::string ClockText(const TWallTime& at) { return TwoDigits(at.Hour) + ":" + TwoDigits(at.Minute); }

// Characters of CP932 text: each is one UTF-16 unit.
std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos = cp932::NextChar(text, pos)) ++count;
  return count;
}

// The first `chars` characters.
std::string_view FirstChars(std::string_view text, std::size_t chars) {
  std::size_t pos = 0;
  for (; pos < text.size() && chars > 0; --chars) pos = cp932::NextChar(text, pos);
  return text.substr(0, pos);
}

std::string OutcomeWords(const TCheckOutcome& outcome) {
  switch (outcome.Kind) {
    case TCheckOutcome::TKind::NewMail: return "新着 " + std::to_string(outcome.NewMessages) + " 通";
    case TCheckOutcome::TKind::Failed: return "失敗";
    case TCheckOutcome::TKind::Unchanged: break;
  }
  return "変化なし";
}

// One field of a log line: no tab or line break of its own.
std::string LogField(std::string_view text) {
  std::string field(text);
  std::replace_if(field.begin(), field.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; },
                  ' ');
  return field;
}

// Masked before it is cut, so that no cut leaves a part of it.
std::string WithoutPassword(std::string_view line, std::string_view password) {
  std::string text(line);
  if (password.empty()) return text;
  for (std::size_t at = text.find(password); at != std::string::npos; at = text.find(password, at + 3))
    text.replace(at, password.size(), "***");
  return text;
}

}  // namespace

std::string FirstLine(std::string_view text, std::size_t maxBytes) { return Cut(FirstLineOf(text), maxBytes); }

std::string StandingText(const TWallTime& at, const TCheckOutcome& outcome) {
  std::string text = ClockText(at) + " " + OutcomeWords(outcome);
  const std::string reason = FirstLine(outcome.Reason);
  if (outcome.Kind == TCheckOutcome::TKind::Failed && !reason.empty()) text += ": " + reason;
  return text;
}

std::string TrayTip(std::string_view status, const std::optional<TWallTime>& nextCheck, std::size_t failedAccounts,
                    std::size_t maxChars) {
  std::string tail;
  if (nextCheck) tail += "\n次のチェック " + ClockText(*nextCheck);
  if (failedAccounts > 0) tail += "\n失敗 " + std::to_string(failedAccounts) + " 件";
  if (status.empty()) return tail.empty() ? std::string() : tail.substr(1);
  const std::size_t tailChars = CharCount(tail);
  if (tailChars >= maxChars) return std::string(FirstChars(tail.substr(1), maxChars));
  const std::size_t room = maxChars - tailChars;
  if (CharCount(status) <= room) return std::string(status) + tail;
  return std::string(FirstChars(status, room - 1)) + "…" + tail;
}

AccountStandings::TKey AccountStandings::KeyOf(const accounts::AccountTable& table, int row) {
  TKey key;
  for (const int col : {accounts::ColName, accounts::ColHost, accounts::ColUser, accounts::ColSecurity,
                        accounts::ColPort, accounts::ColProtocol, accounts::ColSignIn}) {
    key.push_back(table.Cell(col, row));
  }
  return key;
}

void AccountStandings::Record(const accounts::AccountTable& table, int row, std::string text) {
  Texts[KeyOf(table, row)] = std::move(text);
  KeepPresent(table);
}

std::string AccountStandings::Of(const accounts::AccountTable& table, int row) const {
  if (row < 1 || row >= table.RowCount()) return {};
  const auto found = Texts.find(KeyOf(table, row));
  return found == Texts.end() ? std::string() : found->second;
}

void AccountStandings::KeepPresent(const accounts::AccountTable& table) {
  std::map<TKey, std::string> kept;
  for (int row = 1; row < table.RowCount(); ++row) {
    const auto found = Texts.find(KeyOf(table, row));
    if (found != Texts.end()) kept.insert(*found);
  }
  Texts = std::move(kept);
}

std::string CheckLogLine(const TLogEntry& entry, std::string_view password) {
  const TWallTime& at = entry.At;
  const std::string when = std::to_string(at.Year) + "-" + TwoDigits(at.Month) + "-" + TwoDigits(at.Day) + " " +
                           ClockText(at) + ":" + TwoDigits(at.Second);
  std::string line = when + "\t" + LogField(entry.Account) + "\t" + LogField(entry.Protocol) + "\t" +
                     OutcomeWords(entry.Outcome) + "\t" + std::to_string(entry.DurationMs) + " ms";
  if (entry.Outcome.Kind == TCheckOutcome::TKind::Failed) {
    const std::string_view text = entry.Outcome.Detail.empty() ? entry.Outcome.Reason : entry.Outcome.Detail;
    line += "\t" + LogField(Cut(WithoutPassword(FirstLineOf(text), password), kMaxReasonBytes));
  }
  return line + "\r\n";
}

bool LogMustRotate(std::uint64_t logBytes, std::uint64_t lineBytes) {
  return logBytes > 0 && logBytes + lineBytes > kMaxLogBytes;
}

}  // namespace checking
