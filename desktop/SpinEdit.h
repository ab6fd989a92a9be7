#pragma once
// The interval spinner: a numeric field with a square up/down button at its right edge.
// Reading Value converts the text and does not clamp it (a number being typed reads as typed), but an
// empty or non-numeric text reads as MinValue and is replaced by it. Writing Value shows the clamped
// number. The up and down arrows, the wheel and the button step by LineSize, Page Up and Page Down by
// PageSize; leaving the field for another control of its window clamps what it shows (a deactivated
// window keeps the focus in the field). Enter and Escape are left to the form, whose default and
// cancel buttons answer them. OnChange fires once per change of the text, never while loading.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "desktop/SpinButton.h"
#include "desktop/TrackedEdit.h"

class TSpinEdit : public TTrackedEdit {
public:
  TSpinEdit(TWinControl& parent, const TBounds& bounds);

  // Not const: reading may replace the text, and so fire OnChange.
  std::int32_t Value();
  void SetValue(std::int32_t value);
  std::int32_t MinValue() const { return Min; }
  void SetMinValue(std::int32_t value);
  std::int32_t MaxValue() const { return Max; }
  void SetMaxValue(std::int32_t value);
  std::int32_t LineSize() const { return Line; }
  void SetLineSize(std::int32_t value) { Line = value; }
  std::int32_t PageSize() const { return Page; }
  void SetPageSize(std::int32_t value) { Page = value; }
  // Repeat period of a held button in milliseconds.
  std::uint16_t Interval() const { return SpinButton->Interval(); }
  void SetInterval(std::uint16_t value) { SpinButton->SetInterval(value); }
  bool EditorEnabled() const { return Editable; }
  void SetEditorEnabled(bool value);
  bool ReadOnly() const { return IsReadOnly; }
  void SetReadOnly(bool value);
  const std::string& Suffix() const { return TextSuffix; }
  void SetSuffix(const std::string& value) { TextSuffix = value; }

  TSpinButton& Button() { return *SpinButton; }

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Layout() override;

private:
  void UpClick();
  void DownClick();
  void StepBy(std::int64_t delta);
  // Writes the value read again clamped, when it lies outside the bounds.
  void KeepInRange();
  // True when the focus goes to another control of the field's own window.
  bool LeavesForAnotherControl(HWND next) const;
  // True when the key goes no further.
  bool KeyDown(WPARAM key);
  bool CharAccepted(WPARAM ch);
  void ApplyReadOnly();
  void Wheel(short delta);

  std::int32_t Min = 0;
  std::int32_t Max = 100;
  std::int32_t Line = 1;
  std::int32_t Page = 10;
  bool Editable = true;
  bool IsReadOnly = false;
  std::string TextSuffix;
  std::unique_ptr<TSpinButton> SpinButton;
  // Wheel movement not yet worth a whole step (a high-resolution wheel sends fractions of a notch).
  int WheelDelta = 0;
};
