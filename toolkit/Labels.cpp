#include "toolkit/Labels.h"

#include "toolkit/Form.h"

TLabel::TLabel(TWinControl& parent, const TBounds& bounds, const std::string& caption, bool visible)
    : TWinControl(&parent) {
  CreateControl(L"STATIC", SS_LEFT, 0, caption, bounds, visible);
  if (TForm* form = Form()) form->RegisterLabel(this);
}

TLabel::~TLabel() {
  if (TForm* form = Form()) form->UnregisterLabel(this);
}

TBevel::TBevel(TWinControl& parent, const TBounds& bounds) : TWinControl(&parent) {
  CreateControl(L"STATIC", SS_ETCHEDHORZ, 0, {}, bounds);
}
