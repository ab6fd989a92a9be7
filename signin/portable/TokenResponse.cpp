#include "signin/portable/TokenResponse.h"

#include <algorithm>
#include <limits>

#include "signin/portable/Json.h"
#include "toolkit/portable/Exception.h"

namespace {

[[noreturn]] void Malformed() { throw Exception("Malformed token response"); }

const std::string* StringMember(const TJson& object, std::string_view name) {
  const TJson* member = object.Member(name);
  if (!member || member->Kind == TJson::TKind::Null) return nullptr;
  if (member->Kind != TJson::TKind::String) Malformed();
  return &member->Text;
}

// A token goes into HTTP bodies and SASL strings: nothing there may break a line or a field.
std::optional<std::string> Token(const TJson& object, std::string_view name) {
  const std::string* text = StringMember(object, name);
  if (!text) return std::nullopt;
  if (text->empty() || text->size() > kMaxTokenBytes ||
      !std::all_of(text->begin(), text->end(), [](char c) { return c > 0x20 && c < 0x7F; })) {
    Malformed();
  }
  return *text;
}

std::optional<std::string> ErrorText(const TJson& object, std::string_view name) {
  const std::string* text = StringMember(object, name);
  if (!text) return std::nullopt;
  std::string kept;
  for (const char c : *text) {
    if (c >= 0x20 && c < 0x7F && kept.size() < kMaxTokenErrorChars) kept += c;
  }
  return kept;
}

// An integer's digits, saturated: a provider's absurd lifetime is the token state's to judge.
std::optional<int64_t> Seconds(const TJson& object) {
  const TJson* member = object.Member("expires_in");
  if (!member || member->Kind == TJson::TKind::Null) return std::nullopt;
  if (member->Kind != TJson::TKind::Number && member->Kind != TJson::TKind::String) Malformed();
  std::string_view digits = member->Text;
  const bool negative = digits.starts_with('-');
  if (negative) digits.remove_prefix(1);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    Malformed();
  }
  constexpr uint64_t kLimit = std::numeric_limits<int64_t>::max();
  uint64_t value = 0;
  for (const char c : digits) {
    value = value > kLimit / 10 ? kLimit + 1 : std::min(kLimit + 1, value * 10 + static_cast<uint64_t>(c - '0'));
  }
  if (negative) return value > kLimit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(value);
  return static_cast<int64_t>(std::min(value, kLimit));
}

}  // namespace

TTokenResponse ReadTokenResponse(std::string_view body) {
  TJson json;
  try {
    json = ParseJson(body);
  } catch (const Exception&) {
    Malformed();
  }
  if (json.Kind != TJson::TKind::Object) Malformed();
  TTokenResponse response;
  response.AccessToken = Token(json, "access_token");
  response.RefreshToken = Token(json, "refresh_token");
  response.Error = ErrorText(json, "error");
  response.ErrorDescription = ErrorText(json, "error_description");
  response.ExpiresIn = Seconds(json);
  return response;
}
