#include "tests/support/ProbeTestWindow.h"

#include <commctrl.h>

namespace probetest {
namespace {

void (*g_onCommand)(int) = nullptr;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (g_onCommand) g_onCommand(LOWORD(wParam));
      return 0;
    case kOpenMenu: {
      HMENU menu = CreatePopupMenu();
      AppendMenuW(menu, MF_STRING, kMenuCheck, L"メールチェック(&C)");
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, kMenuExit, L"終了する(&X)");
      SetForegroundWindow(hwnd);
      TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, 100, 100, 0, hwnd, nullptr);
      DestroyMenu(menu);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(7);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

HWND Child(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, int x, int y, int w, int h) {
  return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void AddColumn(HWND list, int index, const wchar_t* caption) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 120;
  column.pszText = const_cast<wchar_t*>(caption);
  SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void AddRow(HWND list, int row, const wchar_t* first, const wchar_t* second) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<wchar_t*>(first);
  SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  item.iSubItem = 1;
  item.pszText = const_cast<wchar_t*>(second);
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void AddTab(HWND tabs, int index, const wchar_t* caption) {
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(caption);
  SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

HWND CreateProbeTestWindow(void (*onCommand)(int id)) {
  g_onCommand = onCommand;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ProbeTestWindow";
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  RegisterClassW(&windowClass);  // fails harmlessly when a second window is made
  HWND hwnd = CreateWindowExW(0, L"ProbeTestWindow", L"メールチェックの設定", WS_OVERLAPPEDWINDOW, 50, 50, 480, 360,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  Child(hwnd, L"Button", L"追加(&A)", BS_PUSHBUTTON, kAddButton, 10, 10, 100, 26);
  Child(hwnd, L"Button", L"チェックする", BS_AUTOCHECKBOX, kCheckBox, 120, 10, 140, 26);
  EnableWindow(Child(hwnd, L"Button", L"削除(&D)", BS_PUSHBUTTON, kDisabledButton, 270, 10, 100, 26), FALSE);
  HWND list = Child(hwnd, WC_LISTVIEWW, L"", LVS_REPORT | WS_BORDER, kListView, 10, 80, 440, 120);
  AddColumn(list, 0, L"アカウント名");
  AddColumn(list, 1, L"チェック");
  AddRow(list, 0, L"仕事用", L"する");
  AddRow(list, 1, L"ﾒｯｾｰｼﾞ", L"しない");
  HWND tabs = Child(hwnd, WC_TABCONTROLW, L"", 0, kTabs, 10, 210, 440, 100);
  AddTab(tabs, 0, L"アカウント");
  AddTab(tabs, 1, L"チェック間隔");
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  return hwnd;
}

}  // namespace probetest
