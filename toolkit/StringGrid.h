#pragma once
// A text grid shown as a list view in report mode. The cells live in a model outside the grid; the
// grid reads them through two callbacks: row 0 is the header row (the column titles), rows 1 .. RowCount-1
// are the list's items. After the model changed, Refresh shows the change.
// Whole rows are selected; exactly one row (Row, 1 or more) is the current row while there is any.
#include <functional>
#include <string>
#include <vector>

#include "toolkit/Control.h"
#include "toolkit/portable/Event.h"

class TStringGrid : public TWinControl {
public:
  TStringGrid(TWinControl& parent, const TBounds& bounds, const std::vector<int>& columnWidths);

  // Runs on every click on a row and every keyboard move of the selection.
  Event<TObject*> OnClick;
  Event<TObject*> OnDblClick;

  void SetCells(std::function<int()> rowCount, std::function<std::string(int col, int row)> cell);
  // Re-reads the row count and the header titles and repaints; keeps Row within the rows.
  void Refresh();

  int ColCount() const { return static_cast<int>(Widths.size()); }
  int RowCount() const { return RowCountOf ? RowCountOf() : 1; }
  // The current row (1 .. RowCount-1); selecting it by program runs no event.
  int Row() const { return Current; }
  void SetRow(int row);
  // The text of a cell as shown (read from the model).
  std::string Cell(int col, int row) const;
  int ColWidth(int col) const;

  // Column widths follow the DPI too, keeping what the user made of them.
  void ApplyDpi(int dpi) override;

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT Notify(NMHDR* header) override;

private:
  void SelectItem(int item);

  std::vector<int> Widths;
  std::function<int()> RowCountOf;
  std::function<std::string(int, int)> CellOf;
  int Current = 1;
  bool Selecting = false;     // the program moves the selection: no event
  bool ClickMoved = false;    // the selection moved since the last mouse press
};
