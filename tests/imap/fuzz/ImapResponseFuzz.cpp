// Fuzz target for what an IMAP server sends: the input is the byte stream, cut into lines as the
// transport reads them (each with its LF, the last one without when the stream does not end in
// one), collected into responses, and each response parsed and questioned as a check questions it.
// It runs on a small stack (tests/fuzz/SmallStack.h). Beyond not crashing:
// - a completed response is exactly the lines that went into it, within the response bound, and
//   the reader fails only on a line without LF or past that bound;
// - a parsed response has a tag of one word and a kind in upper case, and nothing taken from it is
//   longer than the response;
// - the reason shown for a refusal is one line without control characters.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "imap/portable/ImapResponse.h"
#include "tests/fuzz/FuzzProperty.h"
#include "tests/fuzz/SmallStack.h"
#include "tests/fuzz/TransportLines.h"

namespace {

using fuzz::Require;

bool HasLowerCase(std::string_view text) { return text.find_first_of("abcdefghijklmnopqrstuvwxyz") != text.npos; }

bool HasControl(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

void CheckValue(const TImapValue& value, std::size_t responseSize) {
  Require(value.Text.size() <= responseSize, "a value's text comes from the response");
  if (value.Kind == TImapValue::TKind::Nil) Require(value.Text.size() == 3, "NIL is an atom of three letters");
  if (value.Kind == TImapValue::TKind::Atom) Require(!value.Text.empty(), "an atom is never empty");
  if (value.Kind != TImapValue::TKind::List) Require(value.Items.empty(), "only a list holds items");
  for (const TImapValue& item : value.Items) CheckValue(item, responseSize);
}

void CheckResponse(const TImapResponse& response, std::size_t size) {
  Require(!response.Tag.empty() && response.Tag.find_first_of(" \r\n") == std::string::npos, "the tag is one word");
  Require(!HasLowerCase(response.Kind) && !HasLowerCase(response.Code), "kind and code in upper case");
  Require(response.Text.find_first_of("\r\n") == std::string::npos, "the text is one line");
  for (const TImapValue& value : response.Data) CheckValue(value, size);

  if (const std::optional<std::set<std::string>> names = Capabilities(response)) {
    for (const std::string& name : *names) Require(!HasLowerCase(name), "capabilities in upper case");
  }
  StatusMessages(response);
  if (UidValidity(response)) Require(response.Code == "UIDVALIDITY", "UIDVALIDITY only from its code");
  const TImapFetch fetch = FetchOf(response);
  if (fetch.Header) Require(fetch.Header->size() <= size, "the header comes from the response");
  const std::string refusal = RefusalText(response);
  Require(!HasControl(refusal), "the refusal's reason is one line without control characters");
}

void ReadStream(std::string_view stream) {
  TImapResponseReader reader;
  std::string fed;
  for (const std::string_view line : fuzz::TransportLines(stream)) {
    fed.append(line);
    bool complete = false;
    try {
      complete = reader.Add(line);
    } catch (const Exception&) {
      Require(!line.ends_with('\n') || fed.size() > kMaxImapResponseBytes, "the reader fails only where it must");
      return;
    }
    if (!complete) continue;
    Require(reader.Text() == fed, "a response is the lines that went into it");
    try {
      CheckResponse(ParseImapResponse(reader.Text()), fed.size());
    } catch (const Exception&) {
      // Malformed: the check fails with it, and the next response is parsed afresh.
    }
    reader = TImapResponseReader();
    fed.clear();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SmallStack::Run([stream = std::string_view(reinterpret_cast<const char*>(data), size)] { ReadStream(stream); });
  return 0;
}
