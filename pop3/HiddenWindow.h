#pragma once
// The hidden windows through which the socket transport and its timer receive system messages.
#include <windows.h>

#include "toolkit/Handles.h"

// Creates a hidden tool window of className (registered for this module on first use, never
// unregistered) bound to object. The owner is empty when registration or creation fails.
TOwnedWindow CreateHiddenWindow(const wchar_t* className, WNDPROC procedure, void* object);

// The object bound by CreateHiddenWindow, or nullptr (also while the window is being created).
void* HiddenWindowObject(HWND window);
template <typename T>
T* HiddenWindowObject(HWND window) {
  return static_cast<T*>(HiddenWindowObject(window));
}
// Lets the window go on without its object: its procedure then finds nullptr. Every procedure of a
// hidden window calls it on WM_NCDESTROY, so the binding goes with the window.
void UnbindHiddenWindow(HWND window);
