#pragma once
// The notification-area icon: keeps one icon in the shell's tray while active, turns the shell's
// mouse notifications into events and a popup menu, and watches the minimize and close commands of
// the window that owns it.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>

#include "toolkit/Event.h"
#include "toolkit/Menus.h"
#include "toolkit/Object.h"
#include "toolkit/Window.h"

// What the tray icon needs of the application object; each part may be left empty.
struct TTrayApplication {
  // The application's own top-level window, the one that carries the program's taskbar button.
  HWND Window = nullptr;
  // Sets whether the run loop shows the main window at start.
  std::function<void(bool)> SetShowMainForm;
  // Dispatches the messages pending for the thread, once.
  std::function<void()> ProcessMessages;
};

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
  bool Silent = false;
  HWND HookedWnd = nullptr;
  WNDPROC Replaced = nullptr;
};

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Mouse-event shift state: a set of the flags below.
using TShiftState = unsigned;
enum TShiftFlag : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64,
};

class TTrayIcon : public TWndProcComponent, private TPopupMenuUser {
public:
  // The message the shell sends to the callback window for mouse actions on the icon.
  static constexpr UINT kCallbackMessage = WM_USER + 101;
  // The tip holds at most this many characters.
  static constexpr size_t kMaxTip = 63;

  TTrayIcon(TWindow* owner, TTrayApplication application);
  ~TTrayIcon() override;

  // Activates the icon if Active is set: the activation steps run once.
  void Loaded() override;

  bool Active() const { return ActiveFlag; }
  void SetActive(bool value);
  const std::string& Hint() const { return HintText; }
  void SetHint(const std::string& value);
  HICON Icon() const { return IconHandle; }
  // Keeps a copy of the picture; the caller keeps its own.
  void SetIcon(HICON icon);
  // Shows the icon resource at the notification area's size (the small-icon size of the DPI), and
  // takes it again at the new size when the DPI or the taskbar changes.
  void SetIconResource(HINSTANCE instance, int id);
  TPopupMenu* PopupMenu() const { return Menu; }
  void SetPopupMenu(TPopupMenu* menu);

  bool NoClose = false;
  bool ShowMinimizedIcon = false;

  // The invisible window that receives the shell's notifications.
  HWND CallbackWindow() const;
  // The cursor position read at the last notification, in screen coordinates.
  POINT CursorPos() const { return Cursor; }

  Event<TObject*> OnClick;
  Event<TObject*> OnDblClick;
  Event<TObject*, TMouseButton, TShiftState, int, int> OnMouseDown;
  Event<TObject*, TMouseButton, TShiftState, int, int> OnMouseUp;
  Event<TObject*, TShiftState, int, int> OnMouseMove;
  Event<TObject*> OnPopUp;

  // The shell call every notification-area request goes through; tests put a recorder here.
  std::function<BOOL(DWORD, NOTIFYICONDATAW*)> ShellNotifyIcon = Shell_NotifyIconW;
  // Fills the record afresh and hands it to the shell with NIM_ADD, NIM_MODIFY or NIM_DELETE.
  void NotifyIcon(DWORD message);

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  class TCallbackWindow;

  LRESULT NewWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void MouseNotification(UINT mouseMessage, TShiftState shift);
  void ButtonDown(TMouseButton button, TShiftState shift);
  void ButtonUp(TMouseButton button, TShiftState shift);
  void DoubleClick(TMouseButton button, TShiftState shift);
  void PopupMenuAtCursor();
  void HideApplication();
  void IconChanged();
  void ReplaceIcon(HICON owned);
  void LoadIconResource(int dpi);
  void PopupMenuFreed(TPopupMenu& menu) override;

  TTrayApplication Application;
  std::unique_ptr<TCallbackWindow> Callback;
  bool ActiveFlag = true;
  bool Loading = true;  // until Loaded: nothing reaches the notification area
  std::string HintText;
  HICON IconHandle = nullptr;
  HINSTANCE IconInstance = nullptr;  // with IconId, the resource shown, if one is
  int IconId = 0;
  TPopupMenu* Menu = nullptr;
  POINT Cursor{};
};
