#pragma once
// Push button, check box and radio button.
#include <string>

#include "toolkit/Control.h"
#include "toolkit/portable/Event.h"

class TForm;

class TButton : public TWinControl {
public:
  TButton(TWinControl& parent, const TBounds& bounds, const std::string& caption, bool visible = true);

  Event<TObject*> OnClick;
  // Set on the form as the button's ModalResult before OnClick runs, when not mrNone.
  int ModalResult = 0;
  // Enter on the form clicks the default button; Esc clicks the cancel button.
  void SetDefault(bool isDefault);
  void SetCancel(bool isCancel);

  void Click();

protected:
  void CommandNotify(WORD code) override;

private:
  void SetFormButton(TButton* TForm::*role, bool on);
};

class TCheckBox : public TWinControl {
public:
  TCheckBox(TWinControl& parent, const TBounds& bounds, const std::string& caption, bool checked = false);

  // Runs on a click and whenever SetChecked changes the state.
  Event<TObject*> OnClick;
  bool Checked() const;
  void SetChecked(bool checked);

protected:
  void CommandNotify(WORD code) override;
};

// Radio buttons with the same parent form one group: checking one unchecks the others.
class TRadioButton : public TWinControl {
public:
  TRadioButton(TWinControl& parent, const TBounds& bounds, const std::string& caption, bool checked = false);

  Event<TObject*> OnClick;
  bool Checked() const;
  void SetChecked(bool checked);

protected:
  void CommandNotify(WORD code) override;

private:
  void UncheckSiblings();
};
