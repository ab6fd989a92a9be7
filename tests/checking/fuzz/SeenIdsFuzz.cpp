// Fuzz target for mailids.dat: the input is the file, however it was cut or edited. Beyond not
// crashing, what is read round-trips: written and read again it is the same record, and writing
// that gives the same bytes; what is written is account lines and, under each, its ids in order,
// each once and each keeping the RFC's rule.
#include <cstdint>
#include <string>
#include <string_view>

#include "accounts/portable/AccountFile.h"
#include "checking/portable/SeenIds.h"
#include "tests/fuzz/FuzzProperty.h"

namespace {

using fuzz::Require;

void CheckWritten(std::string_view file) {
  Require(file.empty() || (file.starts_with('[') && file.ends_with("\r\n")), "an account first, CR LF last");
  std::string_view previousId;
  for (const std::string_view line : accounts::SplitLines(file)) {
    if (line.find(' ') != std::string_view::npos) {  // an account's line; ids hold no blank
      previousId = {};
      continue;
    }
    Require(IsUniqueId(line) && line > previousId, "ids valid, sorted and each once");
    previousId = line;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const checking::SeenIds read = checking::SeenIds::Parse({reinterpret_cast<const char*>(data), size});
  const std::string written = read.Format();
  CheckWritten(written);
  const checking::SeenIds again = checking::SeenIds::Parse(written);
  Require(again == read, "what is written reads back as the same record");
  Require(again.Format() == written, "and writes the same bytes again");
  return 0;
}
