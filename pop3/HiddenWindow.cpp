#include "pop3/HiddenWindow.h"

HWND CreateHiddenWindow(const wchar_t* className, WNDPROC procedure, void* object) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW info{};
  if (!GetClassInfoW(instance, className, &info)) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    if (!RegisterClassW(&windowClass)) return nullptr;
  }
  const HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      instance, nullptr);
  if (window && object) SetHiddenWindowObject(window, object);
  return window;
}

void SetHiddenWindowObject(HWND window, void* object) {
  SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(object));
}
