#pragma once
// The hidden windows through which the socket transport and its timer receive system messages.
#include <windows.h>

// Creates a hidden tool window of className (registered for this module on first use, never
// unregistered) with object stored in its window extra bytes. Returns nullptr when registration or
// creation fails.
HWND CreateHiddenWindow(const wchar_t* className, WNDPROC procedure, void* object);

// The object stored by CreateHiddenWindow, or nullptr (also while the window is being created).
template <typename T>
T* HiddenWindowObject(HWND window) {
  return reinterpret_cast<T*>(GetWindowLongPtrW(window, 0));
}
void SetHiddenWindowObject(HWND window, void* object);
