#pragma once
// The notification-area icon: keeps one icon in the shell's tray while active, turns the shell's
// mouse notifications into events and a popup menu, and watches the minimize and close commands of
// the window that owns it.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "desktop/portable/Mouse.h"
#include "desktop/Shell.h"
#include "desktop/WndProcComponent.h"
#include "toolkit/portable/Event.h"
#include "toolkit/Handles.h"
#include "toolkit/Menus.h"
#include "toolkit/portable/Object.h"
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

class TTrayIcon : public TWndProcComponent, private TPopupMenuUser {
public:
  // The message the shell sends to the callback window for mouse actions on the icon.
  static constexpr UINT kCallbackMessage = WM_USER + 101;
  // The tip holds at most this many characters.
  static constexpr size_t kMaxTip = 63;

  TTrayIcon(TWindow* owner, TTrayApplication application, TShell& shell = SystemShell());
  ~TTrayIcon() override;

  // Activates the icon if Active is set: the activation steps run once.
  void Loaded() override;

  bool Active() const { return ActiveFlag; }
  void SetActive(bool value);
  const std::string& Hint() const { return HintText; }
  void SetHint(const std::string& value);
  HICON Icon() const { return IconHandle.Get(); }
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

  // Fills the record afresh and hands it to the shell with NIM_ADD, NIM_MODIFY or NIM_DELETE.
  void NotifyIcon(DWORD message);
  // A balloon over the icon with an info or a warning icon, where the user's quiet time allows one.
  // The shell keeps 255 UTF-16 units of the text and 63 of the title; a longer one is cut to whole
  // characters ending in "…".
  void ShowBalloon(const std::u16string& title, const std::u16string& text, bool warning);
  Event<TObject*> OnBalloonClick;

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
  void LoadIconResource(int dpi);
  void PopupMenuFreed(TPopupMenu& menu) override;

  TTrayApplication Application;
  TShell& Shell;
  std::unique_ptr<TCallbackWindow> Callback;
  bool ActiveFlag = true;
  bool Loading = true;  // until Loaded: nothing reaches the notification area
  std::string HintText;
  TOwnedIcon IconHandle;
  HINSTANCE IconInstance = nullptr;  // with IconId, the resource shown, if one is
  int IconId = 0;
  TPopupMenu* Menu = nullptr;
  POINT Cursor{};
};
