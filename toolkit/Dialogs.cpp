#include "toolkit/Dialogs.h"

#include <windows.h>

#include <utility>

#include "toolkit/ErrorDialog.h"
#include "toolkit/portable/Object.h"
#include "toolkit/Text.h"

namespace {

constexpr const wchar_t* kYes = L"はい(&Y)";
constexpr const wchar_t* kNo = L"いいえ(&N)";
constexpr const wchar_t* kOriginalProc = L"PelmoraBoxProc";

// Esc (and a close request) answer "いいえ" instead of being ignored or answering Cancel.
LRESULT CALLBACK YesNoBoxProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(wnd, kOriginalProc));
  if ((msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)) {
    EndDialog(wnd, IDNO);
    return 0;
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropW(wnd, kOriginalProc);
  }
  return CallWindowProcW(original, wnd, msg, wParam, lParam);
}

// The system's box names its buttons in the system's language: while an instance lives, the next
// window this thread activates, the question's box, gets its buttons renamed, and the hook goes.
class TRenameOnActivation {
public:
  TRenameOnActivation() { Hook = SetWindowsHookExW(WH_CBT, Procedure, nullptr, GetCurrentThreadId()); }
  TRenameOnActivation(const TRenameOnActivation&) = delete;
  TRenameOnActivation& operator=(const TRenameOnActivation&) = delete;
  ~TRenameOnActivation() { Remove(); }

private:
  static LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam) {
    if (code != HCBT_ACTIVATE) return CallNextHookEx(Hook, code, wParam, lParam);
    const auto box = reinterpret_cast<HWND>(wParam);
    SetDlgItemTextW(box, IDYES, kYes);
    SetDlgItemTextW(box, IDNO, kNo);
    SetPropW(box, kOriginalProc, reinterpret_cast<HANDLE>(GetWindowLongPtrW(box, GWLP_WNDPROC)));
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&YesNoBoxProc));
    Remove();
    return 0;
  }
  static void Remove() {
    if (Hook) UnhookWindowsHookEx(std::exchange(Hook, nullptr));
  }

  // A question's box is modal: one hook at a time.
  static inline HHOOK Hook = nullptr;
};

BOOL CALLBACK EndMessageBox(HWND wnd, LPARAM) {
  wchar_t cls[8] = {};
  GetClassNameW(wnd, cls, 8);
  if (lstrcmpW(cls, L"#32770") == 0) EndDialog(wnd, IDCANCEL);
  return TRUE;
}

}  // namespace

void EndThreadMessageBoxes() { EnumThreadWindows(GetCurrentThreadId(), EndMessageBox, 0); }

void ShowMessage(const std::string& text) {
  MessageBoxW(nullptr, Widen(text).c_str(), Widen(ApplicationTitle()).c_str(), MB_OK | MB_TASKMODAL);
}

void ShowMessage(const std::u16string& text) {
  const std::wstring wide(text.begin(), text.end());
  MessageBoxW(nullptr, wide.c_str(), Widen(ApplicationTitle()).c_str(), MB_OK | MB_TASKMODAL);
}

int ConfirmYesNo(const std::string& text, const std::string& title) {
  const TRenameOnActivation rename;
  const int answer = MessageBoxW(nullptr, Widen(text).c_str(), Widen(title).c_str(),
                                 MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1 | MB_TASKMODAL);
  return answer == IDYES ? mrYes : mrNo;
}
