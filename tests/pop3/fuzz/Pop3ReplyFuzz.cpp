// Fuzz target for what a POP3 server sends in a check: the input is the byte stream, cut into lines
// as the transport reads them. The first line is the reply to STAT, the second the reply to UIDL,
// followed by its listing when positive; each line after that is a reply to TOP, followed by the
// header block when positive. Beyond not crashing:
// - a reply's fields put together again give the reply, and the STAT count is its second field's;
// - a multi-line reply never holds more lines or bytes than its bounds, nor a line with LF in it;
// - a UIDL listing that is accepted has one entry per line, each with a distinct number of 1 or
//   more and an id that keeps the RFC's rule.
#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "pop3/portable/Pop3Listing.h"
#include "pop3/portable/Pop3Rules.h"
#include "tests/fuzz/FuzzProperty.h"
#include "tests/fuzz/TransportLines.h"
#include "toolkit/portable/Exception.h"

namespace {

using fuzz::Require;

// The longest listing line: a 32-bit number, a blank, a 70-character id and CR LF.
constexpr std::size_t kUidlLineBytes = 10 + 1 + 70 + 2;

void CheckFields(const std::string& reply) {
  const auto separators = static_cast<int>(std::count(reply.begin(), reply.end(), ' '));
  std::string joined;
  for (int n = 1; n <= std::min(separators + 1, 8); ++n) {
    const std::string field = GetField(reply, ' ', n);
    Require(field.find(' ') == std::string::npos, "a field holds no separator");
    joined += (n > 1 ? " " : "") + field;
  }
  Require(reply.starts_with(joined), "the fields put together give the reply");
  Require(GetField(reply, ' ', 0).empty() && GetField(reply, ' ', separators + 2).empty(), "a missing field is empty");
  if (IsPositiveReply(reply)) Require(GetField(reply, ' ', 1).find("+OK") != std::string::npos, "+OK in field 1");
}

// The lines up to the terminator into `reply`; false when the reply failed (the check then ends).
bool Read(TMultiLineReply& reply, const std::vector<std::string_view>& lines, std::size_t& next, std::size_t maxLines,
          std::size_t maxBytes) {
  bool ended = false;
  try {
    while (!ended && next < lines.size()) ended = reply.Add(lines[next++]);
  } catch (const Exception&) {
    return false;
  }
  Require(reply.Lines().size() <= maxLines, "no more lines than the bound");
  std::size_t bytes = 0;
  for (const std::string& line : reply.Lines()) {
    Require(line.find('\n') == std::string::npos, "no LF inside a line");
    bytes += line.size() + 2;
  }
  Require(bytes <= maxBytes && reply.Text().size() == bytes, "no more bytes than the bound");
  return ended;
}

void CheckListing(const std::vector<std::string>& lines) {
  std::vector<TUidlEntry> entries;
  try {
    entries = ParseUidlListing(lines);
  } catch (const Exception&) {
    return;
  }
  Require(entries.size() == lines.size(), "one entry per line");
  std::set<int32_t> numbers;
  for (const TUidlEntry& entry : entries) {
    Require(entry.Number >= 1 && numbers.insert(entry.Number).second, "distinct numbers of 1 or more");
    Require(IsUniqueId(entry.Id), "ids keep the RFC's rule");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string_view> lines = fuzz::TransportLines({reinterpret_cast<const char*>(data), size});
  for (const std::string_view line : lines) CheckFields(std::string(line));
  if (lines.size() < 2) return 0;

  const int32_t count = StatMessageCount(std::string(lines[0]));
  Require(count == ConvertCount(GetField(std::string(lines[0]), ' ', 2)), "the count is field 2's");
  Require(ConvertCount(std::to_string(count)) == count, "the count converts back");

  std::size_t next = 2;
  if (IsPositiveReply(std::string(lines[1]))) {
    const auto listed = static_cast<std::size_t>(std::clamp<int32_t>(count, 0, kMaxListedMessages));
    TMultiLineReply listing = TMultiLineReply::Uidl(count);
    if (!Read(listing, lines, next, listed, listed * kUidlLineBytes)) return 0;
    CheckListing(listing.Lines());
  }
  while (next < lines.size()) {
    if (!IsPositiveReply(std::string(lines[next++]))) continue;
    TMultiLineReply header = TMultiLineReply::Top();
    if (!Read(header, lines, next, 5000, 256 * 1024)) return 0;
  }
  return 0;
}
