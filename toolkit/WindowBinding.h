#pragma once
// Binds a window to the object that handles its messages: stored when the window is made (or hooked)
// and found again by the one static procedure of that kind of window. Each kind of binding has a slot
// (a window property) of its own, so a window can carry its own object and a hook put in front of it.
#include <windows.h>

template <typename T>
class TWindowBinding {
public:
  explicit constexpr TWindowBinding(const wchar_t* slot) : Slot(slot) {}

  void Bind(HWND wnd, T* object) const { SetPropW(wnd, Slot, object); }
  void Unbind(HWND wnd) const { RemovePropW(wnd, Slot); }
  // The bound object, or nullptr (no window, nothing bound yet, or unbound).
  T* Find(HWND wnd) const { return wnd ? static_cast<T*>(GetPropW(wnd, Slot)) : nullptr; }

private:
  const wchar_t* Slot;
};
