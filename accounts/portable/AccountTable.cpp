#include "accounts/portable/AccountTable.h"

#include "accounts/portable/AccountTexts.h"
#include "toolkit/portable/Exception.h"

namespace accounts {

AccountTable::AccountTable() : Rows(2) {}

void AccountTable::SetRowCount(int count) {
  if (count < 2) throw ERangeError();
  if (count == RowCount()) return;
  Rows.resize(static_cast<std::size_t>(count));
  Changed(AllRows);
}

void AccountTable::CheckCell(int col, int row) const {
  if (col < 0 || col >= ColCount || row < 0 || row >= RowCount()) throw ERangeError();
}

const std::string& AccountTable::Cell(int col, int row) const {
  CheckCell(col, row);
  return Rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void AccountTable::SetCell(int col, int row, std::string_view text) {
  CheckCell(col, row);
  std::string& cell = Rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
  if (cell == text) return;
  cell.assign(text);
  Changed(row);
}

void AccountTable::WriteHeaderRow() {
  UpdateScope scope(*this);
  for (int col = 0; col < ColCount; ++col) SetCell(col, 0, kColumnTitles[static_cast<std::size_t>(col)]);
}

void AccountTable::DeleteRow(int row) {
  if (row < 1 || row > RowCount() - 2) throw ERangeError();
  Rows.erase(Rows.begin() + row);
  for (RowMark* mark : Marks) {
    if (mark->MarkedRow == row) mark->IsDeleted = true;
    if (mark->MarkedRow > row) --mark->MarkedRow;
  }
  Changed(AllRows);
}

AccountTable::RowMark::RowMark(AccountTable& table, int row) : Table(table), MarkedRow(row) {
  Table.Marks.push_back(this);
}

AccountTable::RowMark::~RowMark() { std::erase(Table.Marks, this); }

void AccountTable::BeginUpdate() { ++UpdateDepth; }

void AccountTable::EndUpdate() {
  if (UpdateDepth == 0) return;
  if (--UpdateDepth == 0 && PendingChange) {
    PendingChange = false;
    OnChanged(*this, AllRows);
  }
}

void AccountTable::Changed(int row) {
  if (UpdateDepth > 0) {
    PendingChange = true;
    return;
  }
  OnChanged(*this, row);
}

}  // namespace accounts
