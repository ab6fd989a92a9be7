#include "toolkit/Control.h"

#include "toolkit/portable/Exception.h"
#include "toolkit/Font.h"
#include "toolkit/Form.h"
#include "toolkit/Text.h"

namespace {
UINT_PTR NextControlId() {
  static UINT_PTR id = 100;
  return id++;
}
}  // namespace

RECT ToRect(const TBounds& b) { return RECT{b.Left, b.Top, b.Left + b.Width, b.Top + b.Height}; }

TForm* TWinControl::Form() {
  for (TWinControl* control = this; control; control = control->ParentControl) {
    if (auto* form = dynamic_cast<TForm*>(control)) return form;
  }
  return nullptr;
}

void TWinControl::CreateControl(const wchar_t* className, DWORD style, DWORD exStyle, const std::string& text,
                                const TBounds& bounds, bool visible) {
  if (!ParentControl) throw Exception("Control has no parent window");
  Design = bounds;
  CreateStandard(className, exStyle, style | WS_CHILD | (visible ? WS_VISIBLE : 0), text,
                 ToRect(ScaleBounds(bounds, CurrentDpi)), ParentControl->ClientHandle(), NextControlId());
  SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(DesignFont(CurrentDpi)), FALSE);
}

void TWinControl::CreateOwnChild(const wchar_t* className, DWORD style, DWORD exStyle, const TBounds& bounds) {
  if (!ParentControl) throw Exception("Control has no parent window");
  Design = bounds;
  CreateOwn(className, exStyle, style | WS_CHILD, {}, ToRect(ScaleBounds(bounds, CurrentDpi)),
            ParentControl->ClientHandle(), NextControlId());
}

void TWinControl::ApplyDpi(int dpi) {
  CurrentDpi = dpi;
  const TBounds placed = ScaleBounds(Design, dpi);
  SetWindowPos(Handle(), nullptr, placed.Left, placed.Top, placed.Width, placed.Height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(DesignFont(dpi)), TRUE);
}

std::string TWinControl::Caption() const {
  const int length = GetWindowTextLengthW(Handle());
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(Handle(), text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return Narrow(text);
}

void TWinControl::SetCaption(const std::string& text) { SetWindowTextW(Handle(), Widen(text).c_str()); }

bool TWinControl::Visible() const { return (GetWindowLongW(Handle(), GWL_STYLE) & WS_VISIBLE) != 0; }

void TWinControl::SetVisible(bool visible) {
  if (visible != Visible()) ShowWindow(Handle(), visible ? SW_SHOW : SW_HIDE);
}

bool TWinControl::Enabled() const { return IsWindowEnabled(Handle()) != FALSE; }

void TWinControl::SetEnabled(bool enabled) { EnableWindow(Handle(), enabled ? TRUE : FALSE); }

TBounds TWinControl::Bounds() const {
  RECT r{};
  GetWindowRect(Handle(), &r);
  if (const HWND parent = GetParent(Handle()); parent && (GetWindowLongW(Handle(), GWL_STYLE) & WS_CHILD)) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  return TBounds{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

bool TWinControl::Focused() const { return GetFocus() == Handle(); }
