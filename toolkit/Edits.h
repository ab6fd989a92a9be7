#pragma once
// Single-line edit and multi-line memo.
#include <string>

#include "toolkit/Control.h"
#include "toolkit/portable/Event.h"

class TEdit : public TWinControl {
public:
  TEdit(TWinControl& parent, const TBounds& bounds, const std::string& text = {});

  // Runs whenever the text changes: typing, or SetText with a different text.
  Event<TObject*> OnChange;
  std::string Text() const { return Caption(); }
  // Setting the text it already holds is no change and runs nothing.
  virtual void SetText(const std::string& text);
  // The most characters the user can type or paste (0: the system's limit); text set by the program
  // is not cut.
  void SetMaxLength(int characters);
  int MaxLength() const;
  // Only digits can be typed. A paste still brings any text: the owner checks the text all the same.
  void SetNumberStyle();
  // Puts the caret after the last character, where typing goes on.
  void SetCaretToEnd();

protected:
  TEdit(TWinControl& parent, const TBounds& bounds, DWORD style, bool visible, const std::string& text = {});
  void CommandNotify(WORD code) override;
};

// No line break on Enter and no word wrap: one line of text is always one line of the memo.
class TMemo : public TEdit {
public:
  TMemo(TWinControl& parent, const TBounds& bounds, bool visible = true);
};
