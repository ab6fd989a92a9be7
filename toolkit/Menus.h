#pragma once
// Popup menus: a list of items with captions and click handlers, shown at a screen point.
#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/portable/Event.h"
#include "toolkit/Handles.h"
#include "toolkit/portable/Object.h"
#include "toolkit/Window.h"

class TPopupMenu;

// One entry of a popup menu. The caption "-" makes a separator line. An item that is destroyed
// while in a menu leaves that menu.
class TMenuItem : public TObject {
public:
  explicit TMenuItem(std::string caption = {});
  ~TMenuItem() override;

  std::string Caption;  // CP932; "&" marks the accelerator
  bool Enabled = true;  // otherwise shown greyed, and cannot be picked
  bool IsSeparator() const { return Caption == "-"; }

  Event<TObject*> OnClick;
  // What the user's choice runs: the same as a click on the item.
  void Click() { OnClick(this); }

private:
  friend class TPopupMenu;
  TPopupMenu* Menu = nullptr;
};

// Told when a popup menu it refers to is destroyed, so that it drops the reference.
class TPopupMenuUser {
public:
  virtual void PopupMenuFreed(TPopupMenu& menu) = 0;

protected:
  ~TPopupMenuUser() = default;
};

// A popup menu with a hidden window of its own (Handle()) that owns the menu while it is open and receives
// the chosen command, so the item's handler runs from the message loop after the menu has closed.
class TPopupMenu : public TWindow {
public:
  TPopupMenu();
  ~TPopupMenu() override;

  // Items keep their order; the menu refers to them and never owns them.
  void Add(TMenuItem& item);
  void Remove(TMenuItem& item);
  const std::vector<TMenuItem*>& Items() const { return ItemList; }

  // Shows the menu with its top-left corner at the screen point and returns when it closes.
  void Popup(int x, int y);
  // The command number that the open menu sends for the item at this position.
  static UINT CommandOf(size_t index) { return static_cast<UINT>(index) + 1; }

  void AddUser(TPopupMenuUser& user);
  void RemoveUser(TPopupMenuUser& user);

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  TOwnedMenu BuildMenu() const;

  std::vector<TMenuItem*> ItemList;
  std::vector<TPopupMenuUser*> Users;
};
