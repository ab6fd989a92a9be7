#include "toolkit/ComboBox.h"

#include "toolkit/Text.h"

namespace {
constexpr int kItemHeight = 18;
}

TComboBox::TComboBox(TWinControl& parent, const TBounds& bounds, const std::vector<std::string>& items)
    : TWinControl(&parent) {
  TBounds dropped = bounds;
  dropped.Height += kItemHeight * static_cast<int>(items.size() + 1);
  CreateControl(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, {}, dropped);
  AddItems(items);
}

void TComboBox::AddItems(const std::vector<std::string>& items) {
  for (const std::string& item : items) {
    SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
}

// The list drops as far as the design made room for; more items scroll.
void TComboBox::SetItems(const std::vector<std::string>& items) {
  SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
  AddItems(items);
}

int TComboBox::ItemIndex() const { return static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)); }

void TComboBox::SetItemIndex(int index) {
  if (index == ItemIndex()) return;
  SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  OnChange(this);
}

void TComboBox::CommandNotify(WORD code) {
  if (code == CBN_SELCHANGE) OnChange(this);
}
