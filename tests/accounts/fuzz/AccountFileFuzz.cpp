// Fuzz target for the account file: every input is read both as the bytes of a file and as table
// cells (separated by 0xFF bytes), and the codec's promises are checked on each:
// - lines never hold a line break or NUL and never exceed the line limit;
// - a loaded table has one account row per line and a blank trailing row;
// - what is saved loads back to the same cells, except what the file cannot hold (the text after
//   a NUL, CR or LF, and a double-byte character cut short at the end of a cell), and saving what
//   was loaded gives the same bytes again.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "accounts/portable/AccountFile.h"
#include "tests/fuzz/FuzzProperty.h"
#include "toolkit/portable/Cp932.h"

namespace {

using accounts::AccountTable;
using fuzz::Require;

bool EndsInBrokenChar(std::string_view text) {
  std::size_t pos = 0, last = 0;
  while (pos < text.size()) {
    const std::size_t next = cp932::NextChar(text, pos);
    last = next - pos;
    pos = next;
  }
  return last == 1 && cp932::IsLeadByte(static_cast<unsigned char>(text.back()));
}

// A cell read back after a save: the cell itself, or what of it the file can hold.
bool ReadBackAsExpected(std::string_view original, std::string_view readBack) {
  original = original.substr(0, original.find_first_of(std::string_view("\0\r\n", 3)));
  if (readBack == original) return true;
  return EndsInBrokenChar(original) && readBack == original.substr(0, original.size() - 1);
}

// `saved` is lines each followed by CR LF.
bool LinesFitTheLimit(std::string_view saved) {
  for (std::size_t start = 0; start < saved.size();) {
    const std::size_t end = saved.find("\r\n", start);
    if (end - start > accounts::kMaxLineBytes) return false;
    start = end + 2;
  }
  return true;
}

void CheckSavedTable(const AccountTable& table) {
  const std::string saved = accounts::SaveAccounts(table, "\"");
  Require(accounts::SplitLines(saved).size() == static_cast<std::size_t>(table.RowCount() - 2),
          "one line per account row");
  Require(saved.empty() || saved.ends_with("\r\n"), "CR LF after the last line");
  if (!LinesFitTheLimit(saved)) return;  // a longer line is cut when read: nothing to compare

  AccountTable again;
  accounts::LoadAccounts(again, saved);
  Require(again.RowCount() == table.RowCount(), "same number of rows after a save and a load");
  for (int row = 1; row <= table.RowCount() - 2; ++row) {
    for (int col = 0; col < AccountTable::ColCount; ++col) {
      Require(ReadBackAsExpected(table.Cell(col, row), again.Cell(col, row)), "cell read back unchanged");
    }
  }
  Require(accounts::SaveAccounts(again, "\"") == saved, "saving what was read gives the same bytes");
}

void CheckAsFile(std::string_view bytes) {
  const std::vector<std::string_view> lines = accounts::SplitLines(bytes);
  for (std::string_view line : lines) {
    Require(line.size() <= accounts::kMaxLineBytes, "line limit");
    Require(line.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos, "no break inside a line");
    Require(accounts::SplitFields(line).size() <= line.size() + 1, "no more fields than characters");
  }
  AccountTable table;
  accounts::LoadAccounts(table, bytes);
  Require(table.RowCount() == static_cast<int>(lines.size()) + 2, "one row per line");
  for (int col = 0; col < AccountTable::ColCount; ++col) {
    Require(table.Cell(col, table.RowCount() - 1).empty(), "blank trailing row");
  }
  CheckSavedTable(table);
}

void CheckAsCells(std::string_view bytes) {
  std::vector<std::string_view> cells;
  for (std::size_t start = 0;;) {
    const std::size_t end = bytes.find('\xff', start);
    cells.push_back(bytes.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  AccountTable table;
  const std::size_t rows = (cells.size() + AccountTable::ColCount - 1) / AccountTable::ColCount;
  table.SetRowCount(static_cast<int>(rows) + 2);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    table.SetCell(static_cast<int>(i % AccountTable::ColCount), static_cast<int>(i / AccountTable::ColCount) + 1,
                  cells[i]);
  }
  CheckSavedTable(table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckAsFile(input);
  CheckAsCells(input);
  return 0;
}
