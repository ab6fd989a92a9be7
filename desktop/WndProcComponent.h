#pragma once
#include <windows.h>

#include "toolkit/portable/Object.h"
#include "toolkit/Window.h"

// Puts a procedure of its own in front of the owner window's procedure and passes every message on.
// The hook is installed by Loaded, and removed at destruction or when the owner window is destroyed.
class TWndProcComponent : public TObject {
public:
  explicit TWndProcComponent(TWindow* owner);
  ~TWndProcComponent() override;

  // Called once the owner has been built and has its window.
  virtual void Loaded();

  bool Enabled() const { return EnabledFlag; }
  void SetEnabled(bool value);
  bool Hooked() const { return HookedWnd != nullptr; }
  TWindow* Owner() const { return OwnerWindow; }
  HWND OwnerHandle() const { return OwnerWindow ? OwnerWindow->Handle() : nullptr; }

protected:
  virtual void Init();
  virtual void RestoreState() {}
  // The hook: the base passes every message on.
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT PassOn(UINT msg, WPARAM wParam, LPARAM lParam);
  // Set once the owner window has received WM_DESTROY.
  bool Destroying() const { return DestroyingFlag; }
  void SilentRemove();

private:
  static LRESULT CALLBACK HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Install();
  void RestoreWndProc();

  TWindow* OwnerWindow;
  bool EnabledFlag = true;
  bool DestroyingFlag = false;
  HWND HookedWnd = nullptr;
  WNDPROC Replaced = nullptr;
};
