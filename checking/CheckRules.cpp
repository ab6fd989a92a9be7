#include "checking/CheckRules.h"

namespace checking {

const char* const kSoundFailureText =
    "\x83\x54\x83\x45\x83\x93\x83\x68\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x91\xb6\x8d\xdd\x82\xb5\x82\xdc"
    "\x82\xb9\x82\xf1\x81\x42";  // サウンドファイルが存在しません。

bool RecordCount(std::vector<std::int32_t>& lastMailCount, int row, std::int32_t count) {
  const auto index = static_cast<std::size_t>(row);
  if (lastMailCount.size() <= index) lastMailCount.resize(index + 1, 0);
  if (lastMailCount[index] == count) return false;
  lastMailCount[index] = count;
  return count >= 1;
}

std::string NewMailText(const std::string& accountName, std::int32_t count) {
  return "'" + accountName + "' \x82\xc9 " + std::to_string(count) +  // ' に
         " \x92\xca\x82\xcc\x83\x81\x81\x5b\x83\x8b\x82\xaa\x93\xcd\x82\xa2\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81\x42";
  // 通のメールが届いています。
}

std::string FailureText(const std::string& accountName, const std::string& reason) {
  const std::string text =
      "'" + accountName +
      "' \x82\xd6\x82\xcc\x83\x54\x81\x5b\x83\x6f\x81\x5b\x90\xda\x91\xb1\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc"
      "\x82\xb5\x82\xbd\x81\x42";  // へのサーバー接続に失敗しました。
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

bool CheckRequests::RunAgain() {
  IsRunning = Pending;
  Pending = false;
  return IsRunning;
}

}  // namespace checking
