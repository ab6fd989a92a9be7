#include "checking/portable/CheckRules.h"

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

bool CheckRequests::Begin() {
  if (IsRunning) {
    Pending = true;
    return false;
  }
  IsRunning = true;
  return true;
}

void CheckRequests::Run(const std::function<void()>& cycle) {
  if (!Begin()) return;
  struct Idle {
    CheckRequests& Requests;
    ~Idle() { Requests.IsRunning = Requests.Pending = false; }
  } idle{*this};
  do {
    cycle();
  } while (RunAgain());
}

bool CheckRequests::RunAgain() {
  IsRunning = Pending;
  Pending = false;
  return IsRunning;
}

}  // namespace checking
