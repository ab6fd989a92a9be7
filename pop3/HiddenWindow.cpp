#include "pop3/HiddenWindow.h"

#include "toolkit/WindowBinding.h"

namespace {
constexpr TWindowBinding<void> kBinding{L"PelmoraHiddenObject"};
}  // namespace

TOwnedWindow CreateHiddenWindow(const wchar_t* className, WNDPROC procedure, void* object) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW info{};
  if (!GetClassInfoW(instance, className, &info)) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    if (!RegisterClassW(&windowClass)) return TOwnedWindow();
  }
  TOwnedWindow window(CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      instance, nullptr));
  if (window.Get() && object) kBinding.Bind(window.Get(), object);
  return window;
}

void* HiddenWindowObject(HWND window) { return kBinding.Find(window); }

void UnbindHiddenWindow(HWND window) { kBinding.Unbind(window); }
