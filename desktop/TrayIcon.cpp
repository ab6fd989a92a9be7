#include "desktop/TrayIcon.h"

#include <algorithm>

#include "desktop/portable/BalloonText.h"
#include "desktop/portable/IconLook.h"
#include "toolkit/Dpi.h"
#include "toolkit/Text.h"

namespace {
constexpr const wchar_t* kCallbackClass = L"PelmoraTrayIconWindow";

TShiftState ShiftFromKeys(WPARAM keys) {
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (keys & MK_LBUTTON) shift |= ssLeft;
  if (keys & MK_RBUTTON) shift |= ssRight;
  if (keys & MK_MBUTTON) shift |= ssMiddle;
  return shift;
}
// The taskbar's theme (Windows 10 and newer keep it in the registry) and high contrast.
IconLook TaskbarIconLook(TShell& shell) {
  DWORD light = 0;
  DWORD size = sizeof light;
  const bool themed = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                   L"SystemUsesLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size) == ERROR_SUCCESS;
  return ChooseIconLook(themed ? std::optional<std::uint32_t>(light) : std::nullopt, shell.HighContrast());
}

// A change of the taskbar's theme, or of high contrast.
bool LookChange(WPARAM action, LPARAM area) {
  if (action == SPI_SETHIGHCONTRAST) return true;
  if (area == 0) return false;
  const auto* name = reinterpret_cast<const char16_t*>(area);
  return IsColourSetChange(std::u16string_view(name));
}
}  // namespace

class TTrayIcon::TCallbackWindow : public TWindow {
public:
  explicit TCallbackWindow(TTrayIcon& tray) : Tray(tray) {
    RegisterOwnClass(kCallbackClass);
    // Top-level rather than message-only, so that it hears the shell's broadcasts.
    CreateOwn(kCallbackClass, WS_EX_TOOLWINDOW, WS_POPUP, "", RECT{}, nullptr, 0);
  }

private:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    // Messages arrive while the window is being created, before the tray icon knows its handle.
    return Tray.NewWndProc(Handle(), msg, wParam, lParam);
  }

  TTrayIcon& Tray;
};

TTrayIcon::TTrayIcon(TWindow* owner, TTrayApplication application, TShell& shell)
    : TWndProcComponent(owner), Application(std::move(application)), Shell(shell),
      Callback(std::make_unique<TCallbackWindow>(*this)) {}

TTrayIcon::~TTrayIcon() {
  SetEnabled(false);
  HintText.clear();
  // The icon leaves the tray while its callback window still exists.
  NotifyIcon(NIM_DELETE);
  Callback.reset();
  if (Menu) Menu->RemoveUser(*this);
}

HWND TTrayIcon::CallbackWindow() const { return Callback->Handle(); }

void TTrayIcon::Loaded() {
  TWndProcComponent::Loaded();
  Loading = false;
  if (ActiveFlag) {
    ActiveFlag = false;
    SetActive(true);
  }
}

void TTrayIcon::SetActive(bool value) {
  if (ActiveFlag == value) return;
  ActiveFlag = value;
  // While the owner is being built only the wish is kept; Loaded acts on it.
  if (Loading) return;
  if (value) {
    SetEnabled(true);
    if (Application.SetShowMainForm) Application.SetShowMainForm(false);
    if (Application.Window) ShowWindow(Application.Window, SW_HIDE);
    if (Application.ProcessMessages) Application.ProcessMessages();
    NotifyIcon(NIM_ADD);
  } else {
    SilentRemove();
    if (Application.SetShowMainForm) Application.SetShowMainForm(true);
    if (Application.Window) ShowWindow(Application.Window, SW_SHOWNORMAL);
    NotifyIcon(NIM_DELETE);
    SetEnabled(false);
  }
}

void TTrayIcon::SetHint(const std::string& value) {
  if (value == HintText) return;
  HintText = value;
  if (ActiveFlag && !Loading) NotifyIcon(NIM_MODIFY);
}

void TTrayIcon::SetIcon(HICON icon) {
  IconInstance = nullptr;
  IconHandle.Reset(icon ? CopyIcon(icon) : nullptr);
  IconChanged();
}

void TTrayIcon::SetIconResource(HINSTANCE instance, int id) {
  IconInstance = instance;
  IconId = id;
  LoadIconResource(WindowDpi(CallbackWindow()));
  IconChanged();
}

// The resource's image drawn for that size, not one shrunk by the shell, in the drawing that suits
// the taskbar; a resource without such drawings shows as it is.
void TTrayIcon::LoadIconResource(int dpi) {
  if (!IconInstance) return;
  const int size = SystemMetricForDpi(SM_CXSMICON, dpi);
  const auto load = [&](int id) {
    return static_cast<HICON>(LoadImageW(IconInstance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
  };
  HICON icon = load(IconOfLook(IconId, TaskbarIconLook(Shell)));
  IconHandle.Reset(icon ? icon : load(IconId));
}

void TTrayIcon::IconChanged() {
  if (ActiveFlag && !Loading) NotifyIcon(NIM_MODIFY);
}

void TTrayIcon::SetPopupMenu(TPopupMenu* menu) {
  if (menu == Menu) return;
  if (Menu) Menu->RemoveUser(*this);
  Menu = menu;
  if (Menu) Menu->AddUser(*this);
}

void TTrayIcon::PopupMenuFreed(TPopupMenu& menu) {
  if (Menu == &menu) Menu = nullptr;
}

void TTrayIcon::NotifyIcon(DWORD message) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  data.hWnd = CallbackWindow();
  data.uID = 0;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = IconHandle.Get();
  const std::wstring tip = Widen(HintText).substr(0, kMaxTip);
  tip.copy(data.szTip, tip.size());
  Shell.NotifyIcon(message, &data);
}

namespace {

template <std::size_t N>
void CopyShortened(std::u16string_view text, wchar_t (&field)[N]) {
  static_assert(N > 1);
  const std::u16string shown = Shortened(text, N - 1);
  std::copy(shown.begin(), shown.end(), field);
  field[shown.size()] = L'\0';
}

}  // namespace

void TTrayIcon::ShowBalloon(const std::u16string& title, const std::u16string& text, bool warning) {
  if (!ActiveFlag || Loading) return;
  NOTIFYICONDATAW data{};
  static_assert(std::size(data.szInfo) == kMaxBalloonText + 1 && std::size(data.szInfoTitle) == kMaxBalloonTitle + 1);
  data.cbSize = sizeof data;
  data.hWnd = CallbackWindow();
  data.uID = 0;
  data.uFlags = NIF_INFO;
  CopyShortened(text, data.szInfo);
  CopyShortened(title, data.szInfoTitle);
  data.dwInfoFlags = (warning ? NIIF_WARNING : NIIF_INFO) | NIIF_RESPECT_QUIET_TIME;
  Shell.NotifyIcon(NIM_MODIFY, &data);
}

void TTrayIcon::HideApplication() {
  if (Application.Window) ShowWindow(Application.Window, SW_HIDE);
  ShowWindow(OwnerHandle(), SW_HIDE);
}

LRESULT TTrayIcon::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SYSCOMMAND) {
    if (wParam == SC_MINIMIZE) {
      const LRESULT result = PassOn(msg, wParam, lParam);
      if (!ShowMinimizedIcon) HideApplication();
      return result;
    }
    if (wParam == SC_CLOSE && NoClose && ActiveFlag) {
      HideApplication();
      return 0;
    }
  }
  return PassOn(msg, wParam, lParam);
}

LRESULT TTrayIcon::NewWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // Sent to every top-level window when the shell's notification area has been built anew: the
  // icons it held are gone, so ours is added again.
  static const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  if (msg == kCallbackMessage && lParam == NIN_BALLOONUSERCLICK) {
    OnBalloonClick(this);
    return 0;
  }
  if (msg == kCallbackMessage) {
    GetCursorPos(&Cursor);
    MouseNotification(static_cast<UINT>(lParam), ShiftFromKeys(LOWORD(wParam)));
    return 0;
  }
  if (msg == taskbarCreated && taskbarCreated != 0) {
    LoadIconResource(WindowDpi(wnd));
    if (ActiveFlag && !Loading) NotifyIcon(NIM_ADD);
    return 0;
  }
  if (msg == WM_SETTINGCHANGE && LookChange(wParam, lParam)) {
    LoadIconResource(WindowDpi(wnd));
    if (IconInstance) IconChanged();
    return 0;
  }
  if (msg == WM_DPICHANGED || msg == WM_DISPLAYCHANGE) {
    LoadIconResource(msg == WM_DPICHANGED ? HIWORD(wParam) : WindowDpi(wnd));
    if (IconInstance) IconChanged();
    return 0;
  }
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

void TTrayIcon::MouseNotification(UINT mouseMessage, TShiftState shift) {
  switch (mouseMessage) {
    case WM_MOUSEMOVE: OnMouseMove(this, shift, Cursor.x, Cursor.y); break;
    case WM_LBUTTONDOWN: ButtonDown(TMouseButton::mbLeft, shift); break;
    case WM_LBUTTONUP: ButtonUp(TMouseButton::mbLeft, shift); break;
    case WM_LBUTTONDBLCLK: DoubleClick(TMouseButton::mbLeft, shift); break;
    case WM_RBUTTONDOWN:
      ButtonDown(TMouseButton::mbRight, shift);
      PopupMenuAtCursor();
      break;
    case WM_RBUTTONUP: ButtonUp(TMouseButton::mbRight, shift); break;
    case WM_RBUTTONDBLCLK: DoubleClick(TMouseButton::mbRight, shift); break;
    case WM_MBUTTONDOWN: ButtonDown(TMouseButton::mbMiddle, shift); break;
    case WM_MBUTTONUP: ButtonUp(TMouseButton::mbMiddle, shift); break;
    case WM_MBUTTONDBLCLK: DoubleClick(TMouseButton::mbMiddle, shift); break;
    default: break;
  }
}

void TTrayIcon::ButtonDown(TMouseButton button, TShiftState shift) {
  OnMouseDown(this, button, shift, Cursor.x, Cursor.y);
}

void TTrayIcon::ButtonUp(TMouseButton button, TShiftState shift) {
  OnClick(this);
  OnMouseUp(this, button, shift, Cursor.x, Cursor.y);
}

void TTrayIcon::DoubleClick(TMouseButton button, TShiftState shift) {
  OnDblClick(this);
  OnMouseDown(this, button, shift | ssDouble, Cursor.x, Cursor.y);
}

void TTrayIcon::PopupMenuAtCursor() {
  if (!Menu) return;
  OnPopUp(this);
  if (Application.Window) SetForegroundWindow(Application.Window);
  if (Application.ProcessMessages) Application.ProcessMessages();
  // A handler run by the processing above may have taken the menu away.
  if (Menu) Menu->Popup(Cursor.x, Cursor.y);
}
