#pragma once
// A standard one-line edit with buttons inside its right edge, whose OnChange fires once for each real
// change of its text: never for a text equal to the one shown before, never while it is being loaded.
#include <windows.h>

#include <string>

#include "toolkit/Edits.h"

class TTrackedEdit : public TEdit {
public:
  // A text equal to the current one changes nothing. OnChange runs before this returns, so an
  // exception it raises reaches the caller.
  void SetText(const std::string& text) override;
  // Set by the owner while it applies the control's design values: no OnChange fires meanwhile.
  bool Loading() const { return IsLoading; }
  void SetLoading(bool loading) { IsLoading = loading; }

protected:
  // Creates the edit with the sunken border.
  TTrackedEdit(TWinControl& parent, const TBounds& bounds, const std::string& text);

  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void CommandNotify(WORD code) override;
  // Places the buttons after a change of size or font; derived constructors call it once their
  // buttons exist.
  virtual void Layout() {}
  // Puts `button` at `box` (client coordinates) and ends the text rectangle `gap` pixels before it.
  void PlaceButton(HWND button, const RECT& box, int gap);
  HFONT Font() const;

private:
  void Changed();

  std::string Shown;
  bool IsLoading = false;
  bool Assigning = false;
};
