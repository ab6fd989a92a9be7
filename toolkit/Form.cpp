#include "toolkit/Form.h"

#include <algorithm>
#include <cwctype>

#include "toolkit/portable/Accelerator.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/Dpi.h"
#include "toolkit/portable/Exception.h"
#include "toolkit/Font.h"
#include "toolkit/Labels.h"

namespace {

constexpr const wchar_t* kFormClass = L"PelmoraForm";
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Parents are laid out before their children: a tab sheet fills the page area of its page control.
void ApplyDpiToChildren(HWND parent, int dpi) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (auto* control = dynamic_cast<TWinControl*>(TWindow::FromHandle(child))) control->ApplyDpi(dpi);
    ApplyDpiToChildren(child, dpi);
  }
}

// The other windows of the thread that a modal form disables while it runs.
BOOL CALLBACK CollectEnabled(HWND wnd, LPARAM list) {
  if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
  return TRUE;
}

}  // namespace

TForm::TForm(const std::string& caption, int clientWidth, int clientHeight)
    : TWinControl(nullptr), DesignClientWidth(clientWidth), DesignClientHeight(clientHeight) {
  RegisterOwnClass(kFormClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  SetDpi(SystemDpi());
  CreateOwn(kFormClass, kFormExStyle, kFormStyle, caption, CentredFrame(), Application().Handle(), 0);
  // Created on a monitor of another DPI than the system's: shown at that one.
  if (const int dpi = WindowDpi(Handle()); dpi != Dpi()) {
    SetDpi(dpi);
    const RECT frame = CentredFrame();
    SetWindowPos(Handle(), nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The fixed frame has neither a minimise nor a maximise command.
  const HMENU menu = GetSystemMenu(Handle(), FALSE);
  DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_RESTORE, MF_BYCOMMAND);
  SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(DesignFont(Dpi())), FALSE);
}

TForm::~TForm() { Application().FormDestroyed(this); }

RECT TForm::CentredFrame() const {
  const RECT frame =
      FrameForClient({0, 0, Scale(DesignClientWidth), Scale(DesignClientHeight)}, kFormStyle, kFormExStyle, Dpi());
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  return RECT{left, top, left + width, top + height};
}

void TForm::DpiChanged(int dpi, const RECT& suggested) {
  SetDpi(dpi);
  SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(DesignFont(dpi)), FALSE);
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  KeepClientSize();
  ApplyDpiToChildren(Handle(), dpi);
  InvalidateRect(Handle(), nullptr, TRUE);
}

// The suggested rectangle assumes the frame of the new DPI; where the frame did not change with it,
// the client area would be off by the difference.
void TForm::KeepClientSize() {
  RECT client{};
  GetClientRect(Handle(), &client);
  const int dx = Scale(DesignClientWidth) - client.right;
  const int dy = Scale(DesignClientHeight) - client.bottom;
  if (dx == 0 && dy == 0) return;
  RECT window{};
  GetWindowRect(Handle(), &window);
  SetWindowPos(Handle(), nullptr, 0, 0, window.right - window.left + dx, window.bottom - window.top + dy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TForm::ClientWidth() const {
  RECT r{};
  GetClientRect(Handle(), &r);
  return r.right;
}

int TForm::ClientHeight() const {
  RECT r{};
  GetClientRect(Handle(), &r);
  return r.bottom;
}

void TForm::BringToFront() {
  if (!Visible()) ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
  BringWindowToTop(Handle());
}

void TForm::Close() {
  TCloseAction action = (Application().MainForm() == this) ? TCloseAction::Free : TCloseAction::Hide;
  OnClose(this, action);
  if (action == TCloseAction::None) return;
  if (InModalLoop) {
    if (Result == mrNone) Result = mrCancel;
    return;
  }
  if (Application().MainForm() == this) {
    Application().Terminate();
  }
  Hide();
}

int TForm::ShowModal() {
  if (Visible() || InModalLoop) throw Exception("Cannot make a visible window modal");
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  for (HWND wnd : disabled) EnableWindow(wnd, FALSE);
  const auto restore = [&] {
    // Re-enable the owners before hiding, so that activation returns to one of them.
    for (HWND wnd : disabled) {
      if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
    }
    Hide();
    InModalLoop = false;
  };
  Result = mrNone;
  InModalLoop = true;
  // Each showing starts at the first control, as a dialog does: the one focused when the form last
  // closed may be disabled this time.
  LastFocus = nullptr;
  try {
    BringToFront();
    while (Result == mrNone) {
      Application().HandleMessage();
      if (Application().Terminated()) Result = mrCancel;
    }
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return Result;
}

void TForm::RegisterLabel(TLabel* label) { Labels.push_back(label); }

void TForm::UnregisterLabel(TLabel* label) { std::erase(Labels, label); }

bool TForm::ClickButton(TButton* button) {
  if (!button || !button->Visible() || !button->Enabled()) return false;
  button->Click();
  return true;
}

bool TForm::FocusLabelTarget(wchar_t key) {
  for (TLabel* label : Labels) {
    TWinControl* target = label->FocusControl;
    if (!target || !label->Visible() || !target->Visible() || !target->Enabled()) continue;
    const char accel = AcceleratorKey(label->Caption());
    if (accel && key < 0x80 && static_cast<wint_t>(static_cast<unsigned char>(accel)) == std::towupper(key)) {
      target->SetFocus();
      return true;
    }
  }
  return false;
}

bool TForm::PreTranslateMessage(MSG& msg) {
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
    const HWND focus = GetFocus();
    const LRESULT code = focus ? SendMessageW(focus, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) : 0;
    if (!(code & DLGC_WANTALLKEYS)) {
      if (msg.wParam == VK_ESCAPE) {
        if (ClickButton(CancelButton)) return true;
      } else if (auto* focused = dynamic_cast<TButton*>(FromHandle(focus))) {
        if (ClickButton(focused)) return true;
      } else if (ClickButton(DefaultButton)) {
        return true;
      }
    }
  }
  if (msg.message == WM_SYSCHAR && FocusLabelTarget(static_cast<wchar_t>(msg.wParam))) return true;
  return IsDialogMessageW(Handle(), &msg) != FALSE;
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DPICHANGED:
      DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ACTIVATE:
      // Keep the focused control across deactivation, as a dialog does.
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (const HWND focus = GetFocus(); focus && IsChild(Handle(), focus)) LastFocus = focus;
      } else if (!HIWORD(wParam)) {
        HWND target = (LastFocus && IsWindow(LastFocus) && IsWindowVisible(LastFocus) && IsWindowEnabled(LastFocus))
                          ? LastFocus
                          : nullptr;
        if (!target) target = GetNextDlgTabItem(Handle(), nullptr, FALSE);
        if (target) ::SetFocus(target);
        return 0;
      }
      break;
    default:
      break;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}
