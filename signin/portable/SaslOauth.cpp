#include "signin/portable/SaslOauth.h"

#include <optional>

#include "signin/portable/Json.h"
#include "toolkit/portable/Base64.h"
#include "toolkit/portable/Exception.h"

namespace {

constexpr const char* kRefusedText = "サーバーがアクセストークンを受け付けませんでした";

std::string SaslName(std::string_view user) {
  std::string name;
  for (const char c : user) {
    if (c == ',') name += "=2C";
    else if (c == '=') name += "=3D";
    else name += c;
  }
  return name;
}

// A string member as printable ASCII, cut; nothing when absent or not a string.
std::optional<std::string> Shown(const TJson& object, std::string_view name) {
  const TJson* member = object.Member(name);
  if (!member || member->Kind != TJson::TKind::String) return std::nullopt;
  std::string kept;
  for (const char c : member->Text) {
    if (c >= 0x20 && c < 0x7F && kept.size() < kMaxOauthReasonValueChars) kept += c;
  }
  return kept;
}

}  // namespace

std::string Xoauth2(std::string_view user, std::string_view accessToken) {
  std::string message = "user=";
  message.append(user).append("\x01" "auth=Bearer ").append(accessToken).append("\x01\x01");
  return Base64(message);
}

std::string OauthBearer(std::string_view user, std::string_view accessToken) {
  std::string message = "n,a=" + SaslName(user) + ",\x01" "auth=Bearer ";
  message.append(accessToken).append("\x01\x01");
  return Base64(message);
}

std::string OauthErrorReason(std::string_view base64Challenge) {
  const std::optional<std::string> json = DecodeBase64(base64Challenge, kMaxOauthChallengeBytes);
  if (!json) return std::string(kRefusedText) + "。";
  TJson challenge;
  try {
    challenge = ParseJson(*json);
  } catch (const Exception&) {
    // What the server sent is not shown: the reason stands without its details.
    return std::string(kRefusedText) + "。";
  }
  std::string details;
  if (const std::optional<std::string> status = Shown(challenge, "status")) details += "status " + *status;
  if (const std::optional<std::string> scope = Shown(challenge, "scope")) {
    details += (details.empty() ? "" : ", ") + ("scope " + *scope);
  }
  return std::string(kRefusedText) + (details.empty() ? "。" : "（" + details + "）。");
}
