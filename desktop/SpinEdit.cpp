#include "desktop/SpinEdit.h"

#include "desktop/portable/SpinRules.h"
#include "toolkit/Dpi.h"
#include "toolkit/Handles.h"

namespace {

int FontHeight(HWND wnd, HFONT font) {
  const TWindowDc dc(wnd);
  const TSelection selected(dc.Get(), font ? font : GetStockObject(SYSTEM_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.Get(), &metrics);
  return metrics.tmHeight;
}

}  // namespace

TSpinEdit::TSpinEdit(TWinControl& parent, const TBounds& bounds) : TTrackedEdit(parent, bounds, "0") {
  SpinButton = std::make_unique<TSpinButton>(Handle());
  SpinButton->OnUpClick = [this](TObject*) { UpClick(); };
  SpinButton->OnDownClick = [this](TObject*) { DownClick(); };
  Layout();
}

std::int32_t TSpinEdit::Value() {
  const SpinReading reading = ReadSpinText(Text(), Min, TextSuffix);
  if (reading.NewText) SetText(*reading.NewText);
  return reading.Value;
}

void TSpinEdit::SetValue(std::int32_t value) { SetText(SpinText(SpinClamp(value, Min, Max), TextSuffix)); }

void TSpinEdit::SetMaxValue(std::int32_t value) {
  if (value == Max || (!Loading() && value <= Min)) return;
  Max = value;
  KeepInRange();
}

void TSpinEdit::SetMinValue(std::int32_t value) {
  if (value == Min || (!Loading() && value >= Max)) return;
  Min = value;
  KeepInRange();
}

void TSpinEdit::KeepInRange() {
  const std::int32_t value = Value();
  if (SpinClamp(value, Min, Max) != value) SetValue(value);
}

// A window that is only deactivated (the tray menu opens, another program comes to the front) keeps
// its focused control, which gets the focus back on reactivation: the number being typed stays as
// typed, so that closing from the tray menu writes it that way.
bool TSpinEdit::LeavesForAnotherControl(HWND next) const {
  return next && GetAncestor(next, GA_ROOT) == GetAncestor(Handle(), GA_ROOT);
}

void TSpinEdit::SetEditorEnabled(bool value) {
  Editable = value;
  ApplyReadOnly();
}

void TSpinEdit::SetReadOnly(bool value) {
  IsReadOnly = value;
  ApplyReadOnly();
}

void TSpinEdit::ApplyReadOnly() { SendMessageW(Handle(), EM_SETREADONLY, IsReadOnly || !Editable, 0); }

void TSpinEdit::StepBy(std::int64_t delta) { SetValue(SpinStep(Value(), delta, Min, Max)); }

void TSpinEdit::UpClick() {
  if (IsReadOnly) MessageBeep(0);
  else StepBy(Line);
}

void TSpinEdit::DownClick() {
  if (IsReadOnly) MessageBeep(0);
  else StepBy(-static_cast<std::int64_t>(Line));
}

bool TSpinEdit::KeyDown(WPARAM key) {
  switch (key) {
    case VK_UP:
      UpClick();
      break;
    case VK_DOWN:
      DownClick();
      break;
    case VK_PRIOR:
      if (!IsReadOnly) StepBy(Page);
      break;
    case VK_NEXT:
      if (!IsReadOnly) StepBy(-static_cast<std::int64_t>(Page));
      break;
    case VK_RETURN:
      // A dialog key: the form has had it; the field does nothing more with it.
      return true;
    default:
      break;
  }
  return false;
}

bool TSpinEdit::CharAccepted(WPARAM ch) {
  // Enter has done its work on the key press; a one-line edit would only beep at it.
  if (ch == VK_RETURN) return false;
  if (IsSpinChar(static_cast<std::uint32_t>(ch))) return true;
  MessageBeep(0);
  return false;
}

void TSpinEdit::Layout() {
  if (!SpinButton) return;
  RECT window{};
  GetWindowRect(Handle(), &window);
  const int width = window.right - window.left, height = window.bottom - window.top;
  const int border = SystemMetricForDpi(SM_CYBORDER, Dpi());
  const bool sunken = (GetWindowLongW(Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
  const int minHeight = SpinMinHeight(FontHeight(Handle(), Font()), FontHeight(Handle(), nullptr), border,
                                      sunken || (GetWindowLongW(Handle(), GWL_STYLE) & WS_BORDER) != 0);
  if (height < minHeight) {
    // The new size comes back through WM_SIZE, which lays out again.
    SetWindowPos(Handle(), nullptr, 0, 0, width, minHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  const SpinButtonBox box = SpinButtonPlace(width, height, border, sunken);
  PlaceButton(SpinButton->Handle(), {box.Left, 0, box.Left + box.Side, box.Side}, Scale(2));
}

LRESULT TSpinEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_KEYDOWN:
      if (KeyDown(wParam)) return 0;
      break;
    case WM_CHAR:
      if (!CharAccepted(wParam)) return 0;
      break;
    case WM_MOUSEWHEEL:
      Wheel(static_cast<short>(HIWORD(wParam)));
      return 0;
    case WM_KILLFOCUS: {
      const LRESULT result = TTrackedEdit::WndProc(msg, wParam, lParam);
      if (LeavesForAnotherControl(reinterpret_cast<HWND>(wParam))) KeepInRange();
      return result;
    }
    default:
      break;
  }
  return TTrackedEdit::WndProc(msg, wParam, lParam);
}

// One step per WHEEL_DELTA of movement in one direction; turning the wheel back starts afresh.
void TSpinEdit::Wheel(short delta) {
  if ((delta > 0) != (WheelDelta > 0)) WheelDelta = 0;
  WheelDelta += delta;
  for (; WheelDelta >= WHEEL_DELTA; WheelDelta -= WHEEL_DELTA) UpClick();
  for (; WheelDelta <= -WHEEL_DELTA; WheelDelta += WHEEL_DELTA) DownClick();
}
