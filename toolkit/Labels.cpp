#include "toolkit/Labels.h"

#include <algorithm>

#include "toolkit/Form.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

TLabel::TLabel(TWinControl& parent, const TBounds& bounds, const std::string& caption, bool visible)
    : TWinControl(&parent) {
  CreateControl(L"STATIC", SS_LEFT, 0, caption, bounds, visible);
  if (TForm* form = Form()) form->RegisterLabel(this);
  AutoSize();
}

void TLabel::ApplyDpi(int dpi) {
  TWinControl::ApplyDpi(dpi);
  AutoSize();
}

void TLabel::AutoSize() {
  // A label is as wide as its caption needs, so a design width made for another font never cuts it.
  const std::wstring text = Widen(Caption());
  RECT needed{0, 0, 0, 0};
  {
    const TWindowDc dc(Handle());
    const TSelection selected(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &needed, DT_CALCRECT | DT_SINGLELINE);
  }
  const TBounds now = Bounds();
  if (needed.right > now.Width) {
    SetWindowPos(Handle(), nullptr, 0, 0, needed.right, now.Height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

TLabel::~TLabel() {
  if (TForm* form = Form()) form->UnregisterLabel(this);
}

TBevel::TBevel(TWinControl& parent, const TBounds& bounds) : TWinControl(&parent) {
  // An own class: the etched static control of the system changes its size to the line's.
  RegisterOwnClass(L"PelmoraBevel", 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  CreateOwnChild(L"PelmoraBevel", WS_VISIBLE, 0, bounds);
}

LRESULT TBevel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_PAINT) return TWinControl::WndProc(msg, wParam, lParam);
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(Handle(), &paint);
  // The etched line: a shadow band over a highlight band, each as thick as a design pixel is now.
  RECT band{};
  GetClientRect(Handle(), &band);
  const int thickness = std::max(1, Scale(1));
  band.bottom = band.top + thickness;
  FillRect(dc, &band, GetSysColorBrush(COLOR_BTNSHADOW));
  OffsetRect(&band, 0, thickness);
  FillRect(dc, &band, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  EndPaint(Handle(), &paint);
  return 0;
}
