#include "signin/portable/TokenFile.h"

#include <algorithm>
#include <optional>

#include "toolkit/portable/Percent.h"
#include "toolkit/portable/Base64.h"
#include "toolkit/portable/Exception.h"

namespace {

bool KeptInKey(unsigned char byte) { return byte >= 0x20 && byte != 0x7F && byte != '%'; }

std::optional<std::string> Key(std::string_view field) {
  if (field.size() > kMaxTokenKeyBytes * 3) return std::nullopt;
  std::optional<std::string> key = PercentDecode(field, false);
  if (!key || key->empty() || key->size() > kMaxTokenKeyBytes) return std::nullopt;
  return key;
}

std::optional<TTokenRecord> Record(std::string_view line) {
  const std::size_t first = line.find('\t');
  const std::size_t second = first == line.npos ? line.npos : line.find('\t', first + 1);
  if (second == line.npos) return std::nullopt;
  std::optional<std::string> provider = Key(line.substr(0, first));
  std::optional<std::string> user = Key(line.substr(first + 1, second - first - 1));
  std::optional<std::string> blob = DecodeBase64(line.substr(second + 1), (kMaxTokenBlobBytes + 2) / 3 * 4);
  if (!provider || !user || !blob) return std::nullopt;
  return TTokenRecord{std::move(*provider), std::move(*user), std::move(*blob)};
}

auto Matching(std::string_view provider, std::string_view user) {
  return [provider, user](const TTokenRecord& record) { return record.Provider == provider && record.User == user; };
}

}  // namespace

std::string FormatTokenFile(const std::vector<TTokenRecord>& records) {
  if (records.size() > kMaxTokenRecords) throw Exception("Too many records for the token file");
  std::string text = std::string(kTokenFileFirstLine) + "\r\n";
  for (const TTokenRecord& record : records) {
    if (record.Provider.empty() || record.User.empty() || record.Provider.size() > kMaxTokenKeyBytes ||
        record.User.size() > kMaxTokenKeyBytes || record.Blob.size() > kMaxTokenBlobBytes) {
      throw Exception("A record the token file cannot hold");
    }
    text += PercentEncode(record.Provider, KeptInKey) + '\t' + PercentEncode(record.User, KeptInKey) + '\t' +
            Base64(record.Blob) + "\r\n";
  }
  return text;
}

std::vector<TTokenRecord> ParseTokenFile(std::string_view bytes) {
  std::vector<TTokenRecord> records;
  if (bytes.empty()) return records;
  std::size_t end = std::min(bytes.find('\n'), bytes.size());
  std::string_view line = bytes.substr(0, end);
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (line != kTokenFileFirstLine) throw Exception("Not a token file of this version");
  // The writer puts one record on a line: a file of more lines was not written by it.
  for (std::size_t lines = 0; end < bytes.size() && lines < kMaxTokenRecords; ++lines) {
    bytes.remove_prefix(end + 1);
    end = std::min(bytes.find('\n'), bytes.size());
    line = bytes.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::optional<TTokenRecord> record = Record(line);
    if (!record) continue;
    const auto same = std::find_if(records.begin(), records.end(), Matching(record->Provider, record->User));
    if (same != records.end()) *same = std::move(*record);
    else records.push_back(std::move(*record));
  }
  return records;
}

const TTokenRecord* FindTokenRecord(const std::vector<TTokenRecord>& records, std::string_view provider,
                                    std::string_view user) {
  const auto found = std::find_if(records.begin(), records.end(), Matching(provider, user));
  return found == records.end() ? nullptr : &*found;
}

void PutTokenRecord(std::vector<TTokenRecord>& records, TTokenRecord record) {
  const auto found = std::find_if(records.begin(), records.end(), Matching(record.Provider, record.User));
  if (found != records.end()) *found = std::move(record);
  else records.push_back(std::move(record));
}

void RemoveTokenRecord(std::vector<TTokenRecord>& records, std::string_view provider, std::string_view user) {
  std::erase_if(records, Matching(provider, user));
}
