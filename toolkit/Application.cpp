#include "toolkit/Application.h"

#include <commctrl.h>

#include "toolkit/ErrorDialog.h"
#include "toolkit/Text.h"

namespace {
constexpr const wchar_t* kApplicationClass = L"PelmoraApplication";
}  // namespace

TApplication& Application() {
  static TApplication application;
  return application;
}

TApplication::TApplication() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES |
                                                      ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  RegisterOwnClass(kApplicationClass);
  // A zero-size window off the desktop: it only carries the taskbar button while it is shown.
  CreateOwn(kApplicationClass, 0, WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, Title(),
            RECT{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                 GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2},
            nullptr, 0);
}

void TApplication::SetTitle(const std::string& title) {
  SetApplicationTitle(title);
  SetWindowTextW(Handle(), Widen(title).c_str());
}

const std::string& TApplication::Title() const { return ApplicationTitle(); }

void TApplication::FormDestroyed(TForm* form) {
  if (Main == form) Main = nullptr;
}

void TApplication::Dispatch(MSG& msg) {
  const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (auto* form = dynamic_cast<TForm*>(FromHandle(root)); form && form->PreTranslateMessage(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool TApplication::FetchAndDispatch(bool wait) {
  MSG msg{};
  if (wait) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      Ended = true;
      return false;
    }
  } else if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    return false;
  } else if (msg.message == WM_QUIT) {
    Ended = true;
    return false;
  }
  Dispatch(msg);
  return true;
}

void TApplication::ProcessMessages() {
  while (FetchAndDispatch(false)) {
  }
}

void TApplication::HandleMessage() { FetchAndDispatch(true); }

void TApplication::Run() {
  if (ShowMainForm && Main) {
    ShowWindow(Handle(), SW_SHOWNORMAL);
    Main->BringToFront();
  }
  while (!Ended) HandleMessage();
}

// Ends every loop at once, not only when the quit message comes round: a close asked for from a
// message box's or a menu's loop, or while the main window is being created, must not depend on
// which loop takes that message.
void TApplication::Terminate() {
  if (Ended) return;
  Ended = true;
  PostQuitMessage(0);
}

LRESULT TApplication::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ENDSESSION:
      // The session ends: close the main form as the user would, so that its close handler keeps
      // what must not be lost, then leave the loop.
      if (wParam) {
        if (Main) Main->Close();
        Terminate();
      }
      return 0;
    case WM_CLOSE:
      if (Main) Main->Close();
      return 0;
    default:
      return TWindow::WndProc(msg, wParam, lParam);
  }
}
