// The grid over a list view: header row, rows from the model, selection events.
#include "toolkit/StringGrid.h"

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/Text.h"

namespace {

class GridForm : public TForm {
public:
  GridForm() : TForm("grid", 450, 200), Grid(*this, {4, 4, 424, 173}, {123, 37, 152}) {
    Grid.SetCells([this] { return static_cast<int>(Cells.size()); },
                  [this](int col, int row) { return Cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)]; });
  }
  // Row 0 is the header; the last row is blank, as in the account table.
  std::vector<std::vector<std::string>> Cells = {
      {" ｱｶｳﾝﾄ名", " ﾁｪｯｸ", " ﾎｽﾄ名"},
      {"自宅, A", "する", "pop.example.jp"},
      {"", "", ""},
      {"work", "x", "mail"},
      {"", "", ""},
  };
  TStringGrid Grid;
};

std::wstring ItemText(HWND list, int item, int sub) {
  wchar_t buffer[256] = {};
  LVITEMW lv{};
  lv.iSubItem = sub;
  lv.pszText = buffer;
  lv.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
  return buffer;
}

std::wstring HeaderText(HWND list, int col) {
  wchar_t buffer[256] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = buffer;
  column.cchTextMax = 256;
  SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&column));
  return buffer;
}

LPARAM CenterOfItem(HWND list, int item) {
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
  return MAKELPARAM(r.left + 40, (r.top + r.bottom) / 2);
}

}  // namespace

TEST(StringGrid, ShowsTheHeaderRowAndEveryRowOfTheModelIncludingTheBlankOnes) {
  GridForm form;
  const HWND list = form.Grid.Handle();
  EXPECT_EQ(HeaderText(list, 0), L" ｱｶｳﾝﾄ名");
  EXPECT_EQ(HeaderText(list, 2), L" ﾎｽﾄ名");
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(ItemText(list, 0, 0), L"自宅, A");
  EXPECT_EQ(ItemText(list, 0, 1), L"する");
  EXPECT_EQ(ItemText(list, 1, 0), L"");
  EXPECT_EQ(ItemText(list, 2, 2), L"mail");
  EXPECT_EQ(form.Grid.ColWidth(0), 123);
  EXPECT_EQ(form.Grid.ColWidth(2), 152);
  const DWORD ex = static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
  EXPECT_FALSE(ex & LVS_EX_GRIDLINES);
  EXPECT_EQ(form.Grid.Row(), 1);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);

  // The model shrinks: the grid follows on Refresh and keeps its current row inside the rows.
  form.Grid.SetRow(4);
  EXPECT_EQ(form.Grid.Row(), 4);
  form.Cells.resize(2);
  form.Cells.push_back({"", "", ""});
  form.Grid.Refresh();
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(form.Grid.Row(), 2);
}

TEST(StringGrid, ClicksAndKeyboardMovesRunOnClickAndADoubleClickRunsOnDblClick) {
  GridForm form;
  form.Show();
  const HWND list = form.Grid.Handle();
  SetFocus(list);
  std::vector<int> clickedRows;
  int doubleClicks = 0;
  form.Grid.OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, &form.Grid);
    clickedRows.push_back(form.Grid.Row());
  };
  form.Grid.OnDblClick = [&](TObject*) { ++doubleClicks; };

  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(list, WM_KEYUP, VK_DOWN, 0xC0000000);
  Application().ProcessMessages();
  EXPECT_EQ(clickedRows, std::vector<int>{2});

  const LPARAM third = CenterOfItem(list, 2);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, third);
  SendMessageW(list, WM_LBUTTONUP, 0, third);
  Application().ProcessMessages();
  EXPECT_EQ(clickedRows, (std::vector<int>{2, 3}));

  // A click on the row that is already current still counts as a click.
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, third);
  SendMessageW(list, WM_LBUTTONUP, 0, third);
  Application().ProcessMessages();
  EXPECT_EQ(clickedRows, (std::vector<int>{2, 3, 3}));

  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, third);
  SendMessageW(list, WM_LBUTTONUP, 0, third);
  Application().ProcessMessages();
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_EQ(form.Grid.Row(), 3);

  // Selecting by program runs no event; the trailing blank row can be selected.
  form.Grid.SetRow(4);
  Application().ProcessMessages();
  EXPECT_EQ(clickedRows.size(), 4u - 1u);
  EXPECT_EQ(form.Grid.Row(), 4);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 3);
  form.Hide();
}

TEST(StringGrid, AClickBesideTheRowsKeepsTheCurrentRowSelected) {
  GridForm form;
  form.Show();
  const HWND list = form.Grid.Handle();
  RECT client{};
  GetClientRect(list, &client);
  const LPARAM below = MAKELPARAM(40, client.bottom - 30);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, below);
  SendMessageW(list, WM_LBUTTONUP, 0, below);
  Application().ProcessMessages();
  EXPECT_EQ(form.Grid.Row(), 1);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);
  form.Hide();
}
