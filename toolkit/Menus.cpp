#include "toolkit/Menus.h"

#include <algorithm>
#include <utility>

#include "toolkit/Text.h"

namespace {
constexpr const wchar_t* kMenuWindowClass = L"PelmoraPopupMenu";
}  // namespace

TMenuItem::TMenuItem(std::string caption) : Caption(std::move(caption)) {}

TMenuItem::~TMenuItem() {
  if (Menu) Menu->Remove(*this);
}

TPopupMenu::TPopupMenu() {
  RegisterOwnClass(kMenuWindowClass);
  CreateOwn(kMenuWindowClass, 0, WS_POPUP, "", RECT{}, nullptr, 0);
}

TPopupMenu::~TPopupMenu() {
  for (TMenuItem* item : ItemList) item->Menu = nullptr;
  // A user may drop itself from the list while being told.
  const std::vector<TPopupMenuUser*> users = Users;
  for (TPopupMenuUser* user : users) user->PopupMenuFreed(*this);
}

void TPopupMenu::Add(TMenuItem& item) {
  if (item.Menu) item.Menu->Remove(item);
  ItemList.push_back(&item);
  item.Menu = this;
}

void TPopupMenu::Remove(TMenuItem& item) {
  std::erase(ItemList, &item);
  if (item.Menu == this) item.Menu = nullptr;
}

void TPopupMenu::AddUser(TPopupMenuUser& user) {
  if (std::find(Users.begin(), Users.end(), &user) == Users.end()) Users.push_back(&user);
}

void TPopupMenu::RemoveUser(TPopupMenuUser& user) { std::erase(Users, &user); }

TOwnedMenu TPopupMenu::BuildMenu() const {
  TOwnedMenu owned(CreatePopupMenu());
  const HMENU menu = owned.Get();
  for (size_t i = 0; i < ItemList.size(); ++i) {
    const TMenuItem& item = *ItemList[i];
    if (item.IsSeparator())
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuW(menu, MF_STRING | (item.Enabled ? 0 : MF_GRAYED), CommandOf(i), Widen(item.Caption).c_str());
  }
  return owned;
}

void TPopupMenu::Popup(int x, int y) {
  const TOwnedMenu menu = BuildMenu();
  // The menu closes on a click elsewhere only if its owner is the foreground window; the posted
  // WM_NULL lets the next popup open at the first click instead of the second.
  SetForegroundWindow(Handle());
  TrackPopupMenu(menu.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, Handle(), nullptr);
  PostMessageW(Handle(), WM_NULL, 0, 0);
}

LRESULT TPopupMenu::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  // A command from the menu (not an accelerator, not a control) names the item by its position.
  if (msg == WM_COMMAND && HIWORD(wParam) == 0 && lParam == 0) {
    const UINT command = LOWORD(wParam);
    if (command >= 1 && command <= ItemList.size()) ItemList[command - 1]->Click();
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}
