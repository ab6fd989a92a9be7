#include "checking/portable/CheckRules.h"

#include <algorithm>
#include <utility>

namespace checking {

const char* const kSoundFailureText = "サウンドファイルが存在しません。";

bool RecordCount(std::vector<std::int32_t>& lastMailCount, int row, std::int32_t count) {
  const auto index = static_cast<std::size_t>(row);
  if (lastMailCount.size() <= index) lastMailCount.resize(index + 1, 0);
  if (lastMailCount[index] == count) return false;
  lastMailCount[index] = count;
  return count >= 1;
}

std::string NewMailText(const std::string& accountName, std::int32_t count) {
  return "'" + accountName + "' に " + std::to_string(count) + " 通のメールが届いています。";
}

std::string FailureText(const std::string& accountName, const std::string& reason) {
  const std::string text = "'" + accountName + "' へのサーバー接続に失敗しました。";
  return reason.empty() ? text : text + "\n" + reason;
}

namespace {
void Merge(std::vector<AccountKey>& into, const std::vector<AccountKey>& accounts) {
  for (const AccountKey& account : accounts) {
    const auto at = std::lower_bound(into.begin(), into.end(), account);
    if (at == into.end() || *at != account) into.insert(at, account);
  }
}
}  // namespace

bool CheckRequests::Begin() {
  if (IsRunning) {
    Pending = true;
    return false;
  }
  IsRunning = true;
  return true;
}

bool CheckRequests::BeginOnly(const std::vector<AccountKey>& accounts) {
  if (accounts.empty()) return false;
  if (IsRunning) {
    Merge(PendingOnly, accounts);
    return false;
  }
  IsRunning = true;
  return true;
}

void CheckRequests::Run(const Only& only, const std::function<void(const Only&)>& check) {
  if (!(only ? BeginOnly(*only) : Begin())) return;
  struct Idle {
    CheckRequests& Requests;
    ~Idle() {
      Requests.IsRunning = Requests.Pending = false;
      Requests.PendingOnly.clear();
    }
  } idle{*this};
  Only next;
  if (only) {
    next.emplace();
    Merge(*next, *only);
  }
  do {
    check(next);
  } while (Next(next));
}

bool CheckRequests::Next(Only& only) {
  if (RunAgain()) {
    only.reset();
    return true;
  }
  if (PendingOnly.empty()) return false;
  only = std::exchange(PendingOnly, {});
  IsRunning = true;
  return true;
}

// A whole cycle covers the accounts asked for meanwhile.
bool CheckRequests::RunAgain() {
  IsRunning = Pending;
  Pending = false;
  if (IsRunning) PendingOnly.clear();
  return IsRunning;
}

}  // namespace checking
