#include "pop3/portable/Pop3Listing.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "toolkit/portable/Exception.h"

namespace {

constexpr std::size_t kMaxIdLength = 70;
// "4294967295 " before the id and CR LF after it.
constexpr std::size_t kMaxUidlLineBytes = 11 + kMaxIdLength + 2;

const char* const kTooLongText = "サーバーの応答が長すぎます。";
const char* const kCutText = "サーバーの応答が途中で切れました。";
const char* const kBadUidlText = "サーバーの UIDL 応答が正しくありません。";

}  // namespace

TMultiLineReply::TMultiLineReply(std::size_t maxLines, std::size_t maxBytes) : MaxLines(maxLines), MaxBytes(maxBytes) {}

TMultiLineReply TMultiLineReply::Uidl(int32_t messageCount) {
  const auto lines = static_cast<std::size_t>(std::clamp<int32_t>(messageCount, 0, kMaxListedMessages));
  return TMultiLineReply(lines, lines * kMaxUidlLineBytes);
}

TMultiLineReply TMultiLineReply::Top() { return TMultiLineReply(5000, 256 * 1024); }

TMultiLineReply TMultiLineReply::Capa() { return TMultiLineReply(200, 16 * 1024); }

namespace {
// The line of the capability, nothing when none names it.
const std::string* CapabilityLine(const std::vector<std::string>& lines, std::string_view name) {
  for (const std::string& line : lines) {
    const std::string_view tag = std::string_view(line).substr(0, line.find(' '));
    if (tag.size() == name.size() &&
        std::equal(tag.begin(), tag.end(), name.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
        }))
      return &line;
  }
  return nullptr;
}
}  // namespace

bool ListsCapability(const std::vector<std::string>& lines, std::string_view name) {
  return CapabilityLine(lines, name) != nullptr;
}

std::vector<std::string> CapabilityArguments(const std::vector<std::string>& lines, std::string_view name) {
  std::vector<std::string> words;
  const std::string* line = CapabilityLine(lines, name);
  if (!line) return words;
  std::string word;
  for (std::size_t at = name.size(); at <= line->size(); ++at) {
    const char c = at < line->size() ? (*line)[at] : ' ';
    if (c == ' ' || c == '\r' || c == '\n') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return words;
}

bool TMultiLineReply::Add(std::string_view line) {
  if (line.empty() || line.back() != '\n') throw Exception(kCutText);
  line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line == ".") return true;
  Bytes += line.size() + 2;
  if (Body.size() >= MaxLines || Bytes > MaxBytes) throw Exception(kTooLongText);
  if (!line.empty() && line.front() == '.') line.remove_prefix(1);
  Body.emplace_back(line);
  return false;
}

std::string TMultiLineReply::Text() const {
  std::string text;
  text.reserve(Bytes);
  for (const std::string& line : Body) text.append(line).append("\r\n");
  return text;
}

bool IsUniqueId(std::string_view id) {
  return !id.empty() && id.size() <= kMaxIdLength &&
         std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x21 && c <= 0x7E; });
}

std::vector<TUidlEntry> ParseUidlListing(const std::vector<std::string>& lines, int32_t messageCount) {
  std::vector<TUidlEntry> entries;
  entries.reserve(lines.size());
  for (std::string_view line : lines) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) throw Exception(kBadUidlText);
    const std::string_view number = line.substr(0, blank);
    std::string_view id = line.substr(blank + 1);
    id = id.substr(0, id.find_last_not_of(" \t") + 1);
    TUidlEntry entry;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), entry.Number);
    if (number.empty() || error != std::errc() || end != number.data() + number.size() || entry.Number < 1 ||
        entry.Number > messageCount || !IsUniqueId(id)) {
      throw Exception(kBadUidlText);
    }
    entry.Id = id;
    entries.push_back(std::move(entry));
  }
  std::vector<int32_t> numbers;
  numbers.reserve(entries.size());
  for (const TUidlEntry& entry : entries) numbers.push_back(entry.Number);
  std::sort(numbers.begin(), numbers.end());
  if (std::adjacent_find(numbers.begin(), numbers.end()) != numbers.end()) throw Exception(kBadUidlText);
  return entries;
}
