// Fuzz target for what a token endpoint answers: the input is the body. It runs on a small stack
// (tests/fuzz/SmallStack.h). Beyond not crashing:
// - the JSON reader fails with its Exception only, and what it reads is nested no deeper than its
//   bound;
// - a token taken is printable ASCII within its bound, and the error texts are printable ASCII
//   within theirs.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "signin/portable/Json.h"
#include "signin/portable/TokenResponse.h"
#include "tests/fuzz/FuzzProperty.h"
#include "tests/fuzz/SmallStack.h"
#include "toolkit/portable/Exception.h"

namespace {

using fuzz::Require;

std::size_t Depth(const TJson& value) {
  std::size_t deepest = 0;
  for (const TJson& item : value.Items) deepest = std::max(deepest, Depth(item));
  const bool container = value.Kind == TJson::TKind::Array || value.Kind == TJson::TKind::Object;
  if (value.Kind == TJson::TKind::Object) Require(value.Names.size() == value.Items.size(), "a name per member");
  else Require(value.Names.empty(), "only objects have names");
  return deepest + (container ? 1 : 0);
}

bool PrintableAscii(const std::string& text, bool blanks) {
  for (const char c : text) {
    if (c < (blanks ? 0x20 : 0x21) || c > 0x7E) return false;
  }
  return true;
}

void CheckToken(const std::optional<std::string>& token) {
  if (token) Require(!token->empty() && token->size() <= kMaxTokenBytes && PrintableAscii(*token, false), "a usable token");
}

void CheckError(const std::optional<std::string>& text) {
  if (text) Require(text->size() <= kMaxTokenErrorChars && PrintableAscii(*text, true), "an error text to show");
}

void Run(std::string_view body) {
  try {
    Require(Depth(ParseJson(body)) <= kMaxJsonDepth, "nesting within the bound");
  } catch (const Exception&) {
    // Malformed: the reader's one failure.
  }
  try {
    const TTokenResponse response = ReadTokenResponse(body);
    CheckToken(response.AccessToken);
    CheckToken(response.RefreshToken);
    CheckError(response.Error);
    CheckError(response.ErrorDescription);
  } catch (const Exception& e) {
    Require(e.message() == "Malformed token response", "one message for a malformed response");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SmallStack::Run([body = std::string_view(reinterpret_cast<const char*>(data), size)] { Run(body); });
  return 0;
}
