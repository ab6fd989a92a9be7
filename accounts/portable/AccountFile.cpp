#include "accounts/portable/AccountFile.h"

#include <algorithm>

#include "toolkit/portable/Cp932.h"
#include "toolkit/portable/Exception.h"

namespace accounts {

namespace {

constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

void SkipBlanks(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
}

// `pos` is at the opening quote; leaves it after the closing quote, or at the end of the line.
std::string ReadQuoted(std::string_view line, std::size_t& pos) {
  std::string value;
  ++pos;
  while (pos < line.size()) {
    if (line[pos] == '"') {
      if (pos + 1 < line.size() && line[pos + 1] == '"') {
        value += '"';
        pos += 2;
        continue;
      }
      ++pos;
      break;
    }
    const std::size_t next = cp932::NextChar(line, pos);
    value.append(line.substr(pos, next - pos));
    pos = next;
  }
  return value;
}

std::string_view ReadUnquoted(std::string_view line, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < line.size() && !IsBlank(line[pos]) && line[pos] != ',') pos = cp932::NextChar(line, pos);
  return line.substr(start, pos - start);
}

// Calls `visit(character)` for each character of the text, a double-byte one as one piece.
template <typename Visit>
void ForEachChar(std::string_view text, Visit visit) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t next = cp932::NextChar(text, pos);
    visit(text.substr(pos, next - pos));
    pos = next;
  }
}

// The part of a cell the file can hold: NUL ends the text and CR and LF end the line.
std::string_view Storable(std::string_view cell) {
  return cell.substr(0, cell.find_first_of(std::string_view("\0\r\n", 3)));
}

// A cell ending in the first byte of a double-byte character would take the comma or quote after it.
std::string_view WithoutBrokenEnd(std::string_view cell) {
  std::size_t last = 0;
  ForEachChar(cell, [&](std::string_view ch) { last = ch.size(); });
  if (last == 1 && cp932::IsLeadByte(static_cast<unsigned char>(cell.back()))) cell.remove_suffix(1);
  return cell;
}

bool ReadsBackUnquoted(std::string_view cell) {
  if (!cell.empty() && cell.front() == '"') return false;
  bool plain = true;
  ForEachChar(cell,
              [&](std::string_view ch) { plain = plain && !(ch.size() == 1 && (IsBlank(ch[0]) || ch[0] == ',')); });
  return plain;
}

void AppendQuoted(std::string& line, std::string_view cell, std::string_view quote) {
  line += quote;
  ForEachChar(WithoutBrokenEnd(cell), [&](std::string_view ch) { line += ch == "\"" ? "\"\"" : ch; });
  line += quote;
}

}  // namespace

std::vector<std::string_view> SplitLines(std::string_view bytes, std::size_t maxLineBytes) {
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    if (text[pos] != '\r' && text[pos] != '\n') {
      ++pos;
      continue;
    }
    lines.push_back(text.substr(start, std::min(pos - start, maxLineBytes)));
    pos += text.substr(pos, 2) == "\r\n" ? 2 : 1;
    start = pos;
  }
  if (start < text.size()) lines.push_back(text.substr(start, maxLineBytes));
  return lines;
}

std::vector<std::string> SplitFields(std::string_view line) {
  line = line.substr(0, line.find('\0'));
  std::vector<std::string> fields;
  std::size_t pos = 0;
  SkipBlanks(line, pos);
  while (pos < line.size()) {
    if (line[pos] == '"') {
      fields.push_back(ReadQuoted(line, pos));
    } else {
      fields.emplace_back(ReadUnquoted(line, pos));
    }
    SkipBlanks(line, pos);
    if (pos < line.size() && line[pos] == ',') {
      if (pos + 1 == line.size()) fields.emplace_back();
      ++pos;
      SkipBlanks(line, pos);
    }
  }
  return fields;
}

void LoadAccounts(AccountTable& table, std::string_view bytes) {
  const std::vector<std::string_view> lines = SplitLines(bytes);
  AccountTable::UpdateScope scope(table);
  table.SetRowCount(static_cast<int>(lines.size()) + 2);
  for (int row = 1; row < table.RowCount(); ++row) {
    const std::size_t index = static_cast<std::size_t>(row - 1);
    const std::vector<std::string> fields =
        index < lines.size() ? SplitFields(lines[index]) : std::vector<std::string>();
    for (int col = 0; col < AccountTable::ColCount; ++col) {
      const std::size_t k = static_cast<std::size_t>(col);
      table.SetCell(col, row, k < fields.size() ? std::string_view(fields[k]) : std::string_view());
    }
  }
}

std::string FormatAccountLine(const AccountTable& table, int row, std::string_view quote, PasswordField passwords) {
  // Decided on what the file will hold, so that a line read back is written the same way: a field
  // that is not last loses a double-byte character cut short, the last field keeps it.
  const bool signsIn = !Storable(table.Cell(ColSignIn, row)).empty();
  const bool ownProtocol = !Storable(table.Cell(ColProtocol, row)).empty();
  const bool ownConnection = !WithoutBrokenEnd(Storable(table.Cell(ColSecurity, row))).empty() ||
                             !Storable(table.Cell(ColPort, row)).empty();
  const int fields = signsIn       ? AccountTable::ColCount
                     : ownProtocol ? ColSignIn
                     : ownConnection ? ColProtocol
                                     : ColSecurity;
  std::string line;
  AppendQuoted(line, Storable(table.Cell(ColName, row)), quote);
  for (int col = 1; col < fields; ++col) {
    const std::string_view cell =
        col == ColPassword && passwords == PasswordField::Empty ? std::string_view() : Storable(table.Cell(col, row));
    line += ',';
    if (!ReadsBackUnquoted(cell)) {
      AppendQuoted(line, cell, quote);
    } else {
      line += col == fields - 1 ? cell : WithoutBrokenEnd(cell);
    }
  }
  return line;
}

std::string SaveAccounts(const AccountTable& table, std::string_view quote, PasswordField passwords) {
  std::string bytes;
  for (int row = 1; row <= table.RowCount() - 2; ++row) {
    bytes += FormatAccountLine(table, row, quote, passwords);
    bytes += "\r\n";
  }
  return bytes;
}

std::string CannotOpenText(std::string_view path) {
  return std::string("ファイル ").append(path).append(" は開けません");
}

std::string CannotCreateText(std::string_view path) {
  return std::string("ファイル ").append(path).append(" を作成できません");
}

void LoadAccountFile(AccountTable& table, AccountFileSystem& files, const std::string& path) {
  std::string bytes;
  switch (files.ReadWhole(path, bytes)) {
    case AccountFileSystem::ReadResult::Read:
      LoadAccounts(table, bytes);
      return;
    case AccountFileSystem::ReadResult::Missing:
      LoadAccounts(table, {});
      return;
    case AccountFileSystem::ReadResult::Failed:
      break;
  }
  throw Exception(CannotOpenText(path));
}

void SaveAccountFile(const AccountTable& table, AccountFileSystem& files, const std::string& path,
                     std::string_view quote, PasswordField passwords) {
  if (!files.ReplaceWhole(path, SaveAccounts(table, quote, passwords))) throw Exception(CannotCreateText(path));
}

}  // namespace accounts
