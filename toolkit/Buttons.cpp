#include "toolkit/Buttons.h"

#include "toolkit/Form.h"

TButton::TButton(TWinControl& parent, const TBounds& bounds, const std::string& caption, bool visible)
    : TWinControl(&parent) {
  CreateControl(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, caption, bounds, visible);
}

void TButton::SetFormButton(TButton* TForm::*role, bool on) {
  TForm* form = Form();
  if (!form) return;
  if (on) {
    form->*role = this;
  } else if (form->*role == this) {
    form->*role = nullptr;
  }
}

void TButton::SetDefault(bool isDefault) {
  SetFormButton(&TForm::DefaultButton, isDefault);
  SendMessageW(Handle(), BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::SetCancel(bool isCancel) { SetFormButton(&TForm::CancelButton, isCancel); }

void TButton::Click() {
  if (ModalResult != 0) {
    if (TForm* form = Form()) form->SetModalResult(ModalResult);
  }
  OnClick(this);
}

void TButton::CommandNotify(WORD code) {
  if (code == BN_CLICKED) Click();
}

TCheckBox::TCheckBox(TWinControl& parent, const TBounds& bounds, const std::string& caption, bool checked)
    : TWinControl(&parent) {
  CreateControl(L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, caption, bounds);
  SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::Checked() const { return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool checked) {
  if (checked == Checked()) return;
  SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  OnClick(this);
}

void TCheckBox::CommandNotify(WORD code) {
  if (code == BN_CLICKED) OnClick(this);
}

TRadioButton::TRadioButton(TWinControl& parent, const TBounds& bounds, const std::string& caption, bool checked)
    : TWinControl(&parent) {
  CreateControl(L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, 0, caption, bounds);
  if (checked) SetChecked(true);
}

bool TRadioButton::Checked() const { return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TRadioButton::SetChecked(bool checked) {
  if (checked == Checked()) return;
  SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!checked) return;
  UncheckSiblings();
  OnClick(this);
}

void TRadioButton::UncheckSiblings() {
  for (HWND sibling = GetWindow(GetParent(Handle()), GW_CHILD); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    if (sibling == Handle()) continue;
    if (auto* radio = dynamic_cast<TRadioButton*>(FromHandle(sibling))) {
      SendMessageW(radio->Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
}

void TRadioButton::CommandNotify(WORD code) {
  if (code != BN_CLICKED) return;
  // An automatic radio button only unchecks siblings of its own group style; keep the group exact.
  if (Checked()) UncheckSiblings();
  OnClick(this);
}
