#include "toolkit/StringGrid.h"

#include <commctrl.h>

#include <algorithm>

#include "toolkit/Text.h"

TStringGrid::TStringGrid(TWinControl& parent, const TBounds& bounds, const std::vector<int>& columnWidths)
    : TWinControl(&parent), Widths(columnWidths) {
  CreateControl(WC_LISTVIEWW, LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP,
                WS_EX_CLIENTEDGE, {}, bounds);
  // Full-row selection without lines between the data cells; the header keeps its separators.
  SendMessageW(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_LABELTIP,
               LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
  for (std::size_t i = 0; i < Widths.size(); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = Scale(Widths[i]);
    column.pszText = const_cast<wchar_t*>(L"");
    SendMessageW(Handle(), LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void TStringGrid::SetCells(std::function<int()> rowCount, std::function<std::string(int, int)> cell) {
  RowCountOf = std::move(rowCount);
  CellOf = std::move(cell);
  Refresh();
}

std::string TStringGrid::Cell(int col, int row) const {
  if (!CellOf || col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) return {};
  return CellOf(col, row);
}

int TStringGrid::ColWidth(int col) const {
  return static_cast<int>(SendMessageW(Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col), 0));
}

void TStringGrid::ApplyDpi(int dpi) {
  const int old = Dpi();
  TWinControl::ApplyDpi(dpi);
  for (int col = 0; col < ColCount(); ++col) {
    SendMessageW(Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col), MulDiv(ColWidth(col), dpi, old));
  }
}

void TStringGrid::Refresh() {
  for (int col = 0; col < ColCount(); ++col) {
    const std::wstring title = Widen(Cell(col, 0));
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = const_cast<wchar_t*>(title.c_str());
    SendMessageW(Handle(), LVM_SETCOLUMNW, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&column));
  }
  const int items = std::max(RowCount() - 1, 0);
  SendMessageW(Handle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(items), LVSICF_NOSCROLL);
  SelectItem(std::clamp(Current, 1, std::max(RowCount() - 1, 1)) - 1);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TStringGrid::SetRow(int row) {
  if (row < 1 || row >= RowCount()) return;
  SelectItem(row - 1);
}

void TStringGrid::SelectItem(int item) {
  Current = item + 1;
  if (item >= static_cast<int>(SendMessageW(Handle(), LVM_GETITEMCOUNT, 0, 0))) return;
  Selecting = true;
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
  SendMessageW(Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
  Selecting = false;
}

LRESULT TStringGrid::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) ClickMoved = false;
  return TWinControl::WndProc(msg, wParam, lParam);
}

LRESULT TStringGrid::Notify(NMHDR* header) {
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
      if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
        const std::wstring text = Widen(Cell(info->item.iSubItem, info->item.iItem + 1));
        lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
      }
      return 0;
    }
    case LVN_ITEMCHANGED: {
      const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if (Selecting || !(change->uChanged & LVIF_STATE)) return 0;
      const bool nowSelected = (change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED);
      if (nowSelected && change->iItem >= 0 && change->iItem + 1 != Current) {
        Current = change->iItem + 1;
        ClickMoved = true;
        OnClick(this);
      }
      return 0;
    }
    case NM_CLICK: {
      const auto* click = reinterpret_cast<NMITEMACTIVATE*>(header);
      if (click->iItem >= 0 && !ClickMoved) {
        OnClick(this);
      } else if (click->iItem < 0) {
        // A click beside the rows clears a list's selection; a grid keeps its current row.
        SelectItem(Current - 1);
      }
      ClickMoved = false;
      return 0;
    }
    case NM_DBLCLK: {
      const auto* click = reinterpret_cast<NMITEMACTIVATE*>(header);
      if (click->iItem >= 0) OnDblClick(this);
      return 0;
    }
    default:
      return 0;
  }
}
