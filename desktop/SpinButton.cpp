#include "desktop/SpinButton.h"

#include <algorithm>

#include "toolkit/Handles.h"

namespace {

constexpr const wchar_t* kClassName = L"PelmoraSpinButton";
constexpr UINT_PTR kRepeatTimer = 1;

// Pointer coordinates are signed: with the mouse captured they can lie left of or above the button.
POINT PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// A line from `from` up to, and including, `last`.
void Line(HDC dc, int colorIndex, POINT from, POINT last) {
  const TOwnedPen pen(CreatePen(PS_SOLID, 1, GetSysColor(colorIndex)));
  const TSelection selected(dc, pen.Get());
  MoveToEx(dc, from.x, from.y, nullptr);
  const int dx = last.x > from.x ? 1 : (last.x < from.x ? -1 : 0);
  const int dy = last.y > from.y ? 1 : (last.y < from.y ? -1 : 0);
  LineTo(dc, last.x + dx, last.y + dy);
}

// A filled triangle, `size` pixels from its centre line to each base corner, apex up or down.
void Arrow(HDC dc, int colorIndex, POINT centre, int size, bool up) {
  const int apex = up ? centre.y - size / 2 : centre.y + size / 2;
  const int base = up ? apex + size : apex - size;
  const POINT corners[3] = {{centre.x - size, base}, {centre.x + size, base}, {centre.x, apex}};
  const TOwnedPen pen(CreatePen(PS_SOLID, 1, GetSysColor(colorIndex)));
  // A system colour brush is the system's: selected, never deleted.
  const TSelection penSelected(dc, pen.Get());
  const TSelection brushSelected(dc, GetSysColorBrush(colorIndex));
  Polygon(dc, corners, 3);
}

}  // namespace

TSpinButton::TSpinButton(HWND field) {
  RegisterOwnClass(kClassName);
  CreateOwn(kClassName, 0, WS_CHILD | WS_VISIBLE, {}, RECT{}, field, 0);
}

SpinPicture TSpinButton::Picture() const {
  return SpinPictureFor(IsWindowEnabled(Handle()) != FALSE, Repeat.ShownPressed());
}

SpinHalf TSpinButton::HalfAt(LPARAM point) const {
  RECT client{};
  GetClientRect(Handle(), &client);
  const POINT p = PointOf(point);
  return SpinHitTest(p.x, p.y, client.right, client.bottom);
}

void TSpinButton::MouseDown(LPARAM point) {
  const SpinHalf half = HalfAt(point);
  if (half == SpinHalf::None) return;
  if (const HWND field = GetParent(Handle()); GetFocus() != field) SetFocus(field);
  SetCapture(Handle());
  SetTimer(Handle(), kRepeatTimer, Repeat.Press(half, RepeatInterval), nullptr);
  InvalidateRect(Handle(), nullptr, FALSE);
  Step(half);
}

void TSpinButton::MouseMove(LPARAM point) {
  if (Repeat.Move(HalfAt(point))) InvalidateRect(Handle(), nullptr, FALSE);
}

void TSpinButton::MouseUp() {
  if (!Repeat.Held()) return;
  // State first: releasing the capture comes back here through WM_CAPTURECHANGED.
  Repeat.Release();
  KillTimer(Handle(), kRepeatTimer);
  InvalidateRect(Handle(), nullptr, FALSE);
  if (GetCapture() == Handle()) ReleaseCapture();
}

void TSpinButton::TimerFired() {
  if (!Repeat.Held()) {
    KillTimer(Handle(), kRepeatTimer);
    return;
  }
  const SpinRepeat::TickResult tick = Repeat.Tick();
  if (tick.SwitchPeriod) SetTimer(Handle(), kRepeatTimer, RepeatInterval, nullptr);
  Step(tick.Step);
}

void TSpinButton::Step(SpinHalf half) {
  if (half == SpinHalf::Up) OnUpClick(this);
  else if (half == SpinHalf::Down) OnDownClick(this);
}

void TSpinButton::Paint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(Handle(), &ps);
  RECT client{};
  GetClientRect(Handle(), &client);
  const int w = client.right, h = client.bottom;
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (w > 1 && h > 1) {
    const SpinPicture picture = Picture();
    const bool upSunken = picture == SpinPicture::UpPressed;
    const bool downSunken = picture == SpinPicture::DownPressed;
    // Each half has its own edge: light on the sides facing the upper left, dark on the others.
    const int upLight = upSunken ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT;
    const int upDark = upSunken ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW;
    const int downLight = downSunken ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT;
    const int downDark = downSunken ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW;
    Line(dc, upLight, {0, 0}, {w - 1, 0});
    Line(dc, upLight, {0, 0}, {0, h - 1});
    // The two diagonal lines are the last pixels of the upper half and the first of the lower one.
    Line(dc, upDark, {1, h - 1}, {w - 1, 1});
    Line(dc, downLight, {2, h - 1}, {w - 1, 2});
    Line(dc, downDark, {w - 1, 0}, {w - 1, h - 1});
    Line(dc, downDark, {0, h - 1}, {w - 1, h - 1});

    const int size = std::max(1, std::min(w, h) / 8);
    POINT up{w / 3, h / 3};
    POINT down{2 * w / 3, 2 * h / 3};
    if (upSunken) ++up.x, ++up.y;
    if (downSunken) ++down.x, ++down.y;
    if (picture == SpinPicture::Disabled) {
      Arrow(dc, COLOR_BTNHIGHLIGHT, {up.x + 1, up.y + 1}, size, true);
      Arrow(dc, COLOR_BTNHIGHLIGHT, {down.x + 1, down.y + 1}, size, false);
    }
    const int arrowColor = picture == SpinPicture::Disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT;
    Arrow(dc, arrowColor, up, size, true);
    Arrow(dc, arrowColor, down, size, false);
  }
  EndPaint(Handle(), &ps);
}

LRESULT TSpinButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      MouseDown(lParam);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(lParam);
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      MouseUp();
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      // Only the left button acts; not even the field's context menu opens from here.
      return 0;
    case WM_TIMER:
      if (wParam != kRepeatTimer) break;
      TimerFired();
      return 0;
    case WM_ENABLE:
      if (!wParam) MouseUp();
      InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    default:
      break;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}
