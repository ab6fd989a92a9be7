// Fuzz target for tokens.dat: the input is the file's bytes. Beyond not crashing:
// - the records read are within their bounds, each key given once;
// - what was read, written again, reads back to the same records, and writing those gives the same
//   bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "signin/portable/TokenFile.h"
#include "tests/fuzz/FuzzProperty.h"
#include "toolkit/portable/Exception.h"

namespace {

using fuzz::Require;

void Run(std::string_view bytes) {
  std::vector<TTokenRecord> records;
  try {
    records = ParseTokenFile(bytes);
  } catch (const Exception&) {
    Require(!bytes.empty(), "an empty file is no records");
    return;
  }
  Require(records.size() <= kMaxTokenRecords, "records within their bound");
  for (std::size_t i = 0; i < records.size(); ++i) {
    const TTokenRecord& record = records[i];
    Require(!record.Provider.empty() && record.Provider.size() <= kMaxTokenKeyBytes, "a provider within its bound");
    Require(!record.User.empty() && record.User.size() <= kMaxTokenKeyBytes, "a user within its bound");
    Require(record.Blob.size() <= kMaxTokenBlobBytes, "a blob within its bound");
    for (std::size_t j = 0; j < i; ++j) {
      Require(records[j].Provider != record.Provider || records[j].User != record.User, "each key once");
    }
  }
  const std::string written = FormatTokenFile(records);
  const std::vector<TTokenRecord> again = ParseTokenFile(written);
  Require(records == again, "what is written reads back");
  Require(FormatTokenFile(again) == written, "and writes the same bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Run(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
