#include "desktop/WndProcComponent.h"

#include "toolkit/ErrorDialog.h"
#include "toolkit/WindowBinding.h"

namespace {
// The hooked window points back to the component, beside its own object.
constexpr TWindowBinding<TWndProcComponent> kHookBinding{L"PelmoraWndProcHook"};
}  // namespace

TWndProcComponent::TWndProcComponent(TWindow* owner) : OwnerWindow(owner) {}

TWndProcComponent::~TWndProcComponent() { RestoreWndProc(); }

void TWndProcComponent::Loaded() { Init(); }

void TWndProcComponent::SetEnabled(bool value) {
  EnabledFlag = value;
  if (value)
    Init();
  else
    RestoreState();
}

void TWndProcComponent::Init() {
  if (EnabledFlag && !Hooked()) Install();
}

void TWndProcComponent::Install() {
  const HWND wnd = OwnerHandle();
  // One hook per window: the slot could name only one component.
  if (!wnd || Hooked() || kHookBinding.Find(wnd)) return;
  DestroyingFlag = false;
  kHookBinding.Bind(wnd, this);
  HookedWnd = wnd;
  Replaced = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWndProcComponent::HookProc)));
  if (!Replaced) RestoreWndProc();
}

void TWndProcComponent::RestoreWndProc() {
  if (HookedWnd && IsWindow(HookedWnd)) {
    if (Replaced) SetWindowLongPtrW(HookedWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Replaced));
    kHookBinding.Unbind(HookedWnd);
  }
  HookedWnd = nullptr;
  Replaced = nullptr;
  DestroyingFlag = false;
}

void TWndProcComponent::SilentRemove() {
  RestoreWndProc();
  EnabledFlag = false;
}

LRESULT TWndProcComponent::PassOn(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(Replaced, HookedWnd, msg, wParam, lParam);
}

LRESULT TWndProcComponent::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return PassOn(msg, wParam, lParam);
}

LRESULT CALLBACK TWndProcComponent::HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWndProcComponent* self = kHookBinding.Find(wnd);
  if (!self || self->HookedWnd != wnd) return DefWindowProcW(wnd, msg, wParam, lParam);
  LRESULT result = 0;
  if (msg == WM_DESTROY) self->DestroyingFlag = true;
  try {
    // After WM_DESTROY nothing is intercepted any more: the window goes away normally.
    result = self->DestroyingFlag ? self->PassOn(msg, wParam, lParam) : self->WndProc(msg, wParam, lParam);
  } catch (...) {
    HandleException();
  }
  // The window is gone; the component must not touch its handle again.
  if (msg == WM_NCDESTROY) self->RestoreWndProc();
  return result;
}
