#pragma once
// Base of every control and form: a window with a parent control, bounds in the parent's client
// coordinates, a caption, visibility, enabled state and the design font. Bounds and font are given
// as designed at 96 DPI and shown scaled to the DPI of the control's window.
#include <string>

#include "toolkit/portable/DpiScale.h"
#include "toolkit/Window.h"

class TForm;

class TWinControl : public TWindow {
public:
  TWinControl* Parent() const { return ParentControl; }
  // The form this control is on (the control itself for a form).
  TForm* Form();

  std::string Caption() const;
  void SetCaption(const std::string& text);
  bool Visible() const;
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const;
  void SetEnabled(bool enabled);
  TBounds Bounds() const;
  void SetFocus();
  bool Focused() const;

  // The window that children of this control are created in (a page control puts them on its pages).
  virtual HWND ClientHandle() const { return Handle(); }

  // The DPI the control is shown at, and a design length scaled to it.
  int Dpi() const { return CurrentDpi; }
  int Scale(int designPixels) const { return ScaleToDpi(designPixels, CurrentDpi); }
  // Shows the control at another DPI: its design bounds and font scaled anew.
  virtual void ApplyDpi(int dpi);

protected:
  explicit TWinControl(TWinControl* parent)
      : ParentControl(parent), CurrentDpi(parent ? parent->Dpi() : kDesignDpi) {}
  // Creates a standard control as a child of the parent, with the design font and a control id of its own.
  // Visible unless `visible` is false; a hidden control is never reached with the Tab key.
  void CreateControl(const wchar_t* className, DWORD style, DWORD exStyle, const std::string& text,
                     const TBounds& bounds, bool visible = true);
  void CreateOwnChild(const wchar_t* className, DWORD style, DWORD exStyle, const TBounds& bounds);
  void SetDpi(int dpi) { CurrentDpi = dpi; }
  const TBounds& DesignBounds() const { return Design; }

private:
  TWinControl* ParentControl;
  int CurrentDpi;
  TBounds Design;
};

RECT ToRect(const TBounds& bounds);
