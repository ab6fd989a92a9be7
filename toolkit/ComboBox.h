#pragma once
// A drop-down list: the user picks one of fixed items and cannot type.
#include <string>
#include <vector>

#include "toolkit/Control.h"
#include "toolkit/portable/Event.h"

class TComboBox : public TWinControl {
public:
  // `bounds` is the closed box; the list drops below it, tall enough for every item.
  TComboBox(TWinControl& parent, const TBounds& bounds, const std::vector<std::string>& items);

  // Runs when the user picks an item, and on SetItemIndex with another index.
  Event<TObject*> OnChange;
  // The picked item, -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int index);
  // Replaces the items; none is picked afterwards (OnChange does not run).
  void SetItems(const std::vector<std::string>& items);

protected:
  void CommandNotify(WORD code) override;

private:
  void AddItems(const std::vector<std::string>& items);
};
