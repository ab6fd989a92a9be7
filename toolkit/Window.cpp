#include "toolkit/Window.h"

#include "toolkit/ErrorDialog.h"
#include "toolkit/portable/Exception.h"
#include "toolkit/Text.h"
#include "toolkit/WindowBinding.h"

namespace {
// A property works for our own classes and for subclassed standard controls alike.
constexpr TWindowBinding<TWindow> kBinding{L"PelmoraObject"};
}  // namespace

TWindow::~TWindow() { DestroyHandle(); }

TWindow* TWindow::FromHandle(HWND wnd) {
  return kBinding.Find(wnd);
}

void TWindow::RegisterOwnClass(const wchar_t* className, UINT style, HBRUSH background, HICON icon) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, className, &existing)) return;
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.style = style;
  cls.lpfnWndProc = OwnClassProc;
  cls.hInstance = instance;
  cls.hIcon = icon;
  cls.hIconSm = icon;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = background;
  cls.lpszClassName = className;
  RegisterClassExW(&cls);
}

void TWindow::CreateOwn(const wchar_t* className, DWORD exStyle, DWORD style, const std::string& text,
                        const RECT& bounds, HWND parent, UINT_PTR idOrMenu) {
  CreateWindowExW(exStyle, className, Widen(text).c_str(), style, bounds.left, bounds.top,
                  bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                  reinterpret_cast<HMENU>(idOrMenu), GetModuleHandleW(nullptr), this);
  if (!Wnd) throw Exception("Error creating window");
}

void TWindow::CreateStandard(const wchar_t* className, DWORD exStyle, DWORD style, const std::string& text,
                             const RECT& bounds, HWND parent, UINT_PTR id) {
  const HWND wnd = CreateWindowExW(exStyle, className, Widen(text).c_str(), style, bounds.left, bounds.top,
                                   bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                   reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), nullptr);
  if (!wnd) throw Exception("Error creating window");
  Bind(wnd);
  Original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWindow::SubclassProc)));
}

void TWindow::DestroyHandle() {
  if (!Wnd) return;
  const HWND wnd = Wnd;
  Unbind();
  DestroyWindow(wnd);
}

void TWindow::Bind(HWND wnd) {
  Wnd = wnd;
  kBinding.Bind(wnd, this);
}

void TWindow::Unbind() {
  if (!Wnd) return;
  if (Original) SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Original));
  kBinding.Unbind(Wnd);
  Wnd = nullptr;
}

LRESULT TWindow::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Original) return CallWindowProcW(Original, Wnd, msg, wParam, lParam);
  return DefWindowProcW(Wnd, msg, wParam, lParam);
}

LRESULT TWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (TWindow* child = FromHandle(reinterpret_cast<HWND>(lParam)); child && child != this) {
        child->CommandNotify(HIWORD(wParam));
        return 0;
      }
      break;
    case WM_NOTIFY:
      if (auto* header = reinterpret_cast<NMHDR*>(lParam)) {
        if (TWindow* child = FromHandle(header->hwndFrom); child && child != this) return child->Notify(header);
      }
      break;
    default:
      break;
  }
  return DefaultProc(msg, wParam, lParam);
}

LRESULT TWindow::Dispatch(TWindow* window, UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND wnd = window->Wnd;
  const WNDPROC original = window->Original;
  LRESULT result = 0;
  try {
    result = window->WndProc(msg, wParam, lParam);
  } catch (...) {
    HandleException();
  }
  // The window is gone: forget it, so a later destructor does not destroy a stranger's handle.
  if (msg == WM_NCDESTROY && FromHandle(wnd) == window) {
    window->Original = nullptr;
    kBinding.Unbind(wnd);
    window->Wnd = nullptr;
    if (original) SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  }
  return result;
}

LRESULT CALLBACK TWindow::OwnClassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    if (auto* window = static_cast<TWindow*>(create->lpCreateParams)) window->Bind(wnd);
  }
  if (TWindow* window = FromHandle(wnd)) return Dispatch(window, msg, wParam, lParam);
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

LRESULT CALLBACK TWindow::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (TWindow* window = FromHandle(wnd)) return Dispatch(window, msg, wParam, lParam);
  return DefWindowProcW(wnd, msg, wParam, lParam);
}
