#pragma once
// Base of every control and form: a window with a parent control, bounds in the parent's client
// coordinates, a caption, visibility, enabled state and the design font.
#include <string>

#include "toolkit/Window.h"

struct TBounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

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

protected:
  explicit TWinControl(TWinControl* parent) : ParentControl(parent) {}
  // Creates a standard control as a child of the parent, with the design font and a control id of its own.
  // Visible unless `visible` is false; a hidden control is never reached with the Tab key.
  void CreateControl(const wchar_t* className, DWORD style, DWORD exStyle, const std::string& text,
                     const TBounds& bounds, bool visible = true);
  void CreateOwnChild(const wchar_t* className, DWORD style, DWORD exStyle, const TBounds& bounds);

private:
  TWinControl* ParentControl;
};

RECT ToRect(const TBounds& bounds);
