#include "tests/support/UiProbe.h"

#include <commctrl.h>

#include "tests/support/Utf8.h"
#include "toolkit/Text.h"

namespace uiprobe {
namespace {

constexpr UINT kSendTimeoutMs = 2000;
constexpr DWORD kPollMs = 20;
constexpr int kTextCapacity = 1024;  // characters of one list-view cell or tab caption

LRESULT SendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return 0;
  return static_cast<LRESULT>(result);
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[256] = {};
  const int n = GetClassNameW(hwnd, name, 256);
  return std::wstring(name, n > 0 ? static_cast<std::size_t>(n) : 0);
}

bool SameClass(HWND hwnd, std::wstring_view className) {
  return className.empty() || lstrcmpiW(ClassName(hwnd).c_str(), std::wstring(className).c_str()) == 0;
}

std::wstring WithoutAmpersands(std::wstring_view text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;  // "&&" stands for one "&"
    out += text[i];
  }
  return out;
}

bool TextMatches(std::wstring_view actual, std::wstring_view wanted) {
  return actual == wanted || WithoutAmpersands(actual) == WithoutAmpersands(wanted);
}

int CheckState(HWND hwnd) {
  if (!SameClass(hwnd, L"Button")) return -1;
  switch (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return static_cast<int>(SendWithTimeout(hwnd, BM_GETCHECK, 0, 0));
    default:
      return -1;
  }
}

// A block of memory in the process that owns a window, so that messages whose arguments point to
// memory (LVM_GETITEMTEXTW, TCM_GETITEMW) can be answered across processes.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND owner, std::size_t size) : size_(size) {
    DWORD processId = 0;
    GetWindowThreadProcessId(owner, &processId);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool ok() const { return address_ != nullptr; }
  char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(std::size_t offset, const void* data, std::size_t size) const {
    return offset + size <= size_ && WriteProcessMemory(process_, at(offset), data, size, nullptr);
  }
  bool Read(std::size_t offset, void* data, std::size_t size) const {
    return offset + size <= size_ && ReadProcessMemory(process_, at(offset), data, size, nullptr);
  }
  std::wstring ReadText(std::size_t offset, std::size_t capacity) const {
    std::wstring text(capacity, L'\0');
    if (!Read(offset, text.data(), capacity * sizeof(wchar_t))) return {};
    text.resize(wcsnlen(text.c_str(), capacity));
    return text;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  std::size_t size_;
};

// Sends `message` with a pointer to a structure of type T, placed in the window's process, whose
// text pointer (member `textField`) points to a text buffer there too; returns the text.
template <typename T>
std::wstring RemoteTextQuery(HWND hwnd, UINT message, WPARAM wParam, T item, LPWSTR T::*textField, int T::*capacityField) {
  RemoteBuffer buffer(hwnd, sizeof(T) + kTextCapacity * sizeof(wchar_t));
  if (!buffer.ok()) return {};
  item.*textField = reinterpret_cast<LPWSTR>(buffer.at(sizeof(T)));
  item.*capacityField = kTextCapacity;
  const wchar_t none = L'\0';
  if (!buffer.Write(0, &item, sizeof(T)) || !buffer.Write(sizeof(T), &none, sizeof none)) return {};
  SendWithTimeout(hwnd, message, wParam, reinterpret_cast<LPARAM>(buffer.at(0)));
  // The control may answer with a pointer of its own instead of filling the buffer.
  T answer{};
  if (!buffer.Read(0, &answer, sizeof(T))) return {};
  if (answer.*textField != item.*textField) {
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    if (processId != GetCurrentProcessId() || !(answer.*textField)) return {};
    return std::wstring(answer.*textField);
  }
  return buffer.ReadText(sizeof(T), kTextCapacity - 1);
}

struct EnumState {
  DWORD processId;
  bool visibleOnly;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lParam) {
  auto& state = *reinterpret_cast<EnumState*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if ((state.processId == 0 || owner == state.processId) && (!state.visibleOnly || IsWindowVisible(hwnd)))
    state.windows.push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> TopLevelHandles(DWORD processId, bool visibleOnly) {
  EnumState state{processId, visibleOnly, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
  return state.windows;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

HWND ButtonByText(HWND window, std::wstring_view text) {
  for (HWND child : Descendants(window))
    if (SameClass(child, L"Button") && TextMatches(WindowText(child).utf16, text)) return child;
  return nullptr;
}

}  // namespace

UiText::UiText(std::wstring text) : utf16(std::move(text)), utf8(ToUtf8(utf16)), cp932(Narrow(utf16)) {}

UiText WindowText(HWND hwnd) {
  const auto length = static_cast<std::size_t>(SendWithTimeout(hwnd, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  const auto copied = static_cast<std::size_t>(
      SendWithTimeout(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data())));
  text.resize(copied < length ? copied : length);
  return UiText(std::move(text));
}

Control Describe(HWND hwnd) {
  Control c;
  c.hwnd = hwnd;
  c.parent = GetAncestor(hwnd, GA_PARENT);
  c.text = WindowText(hwnd);
  c.className = ClassName(hwnd);
  c.id = GetDlgCtrlID(hwnd);
  c.visible = IsWindowVisible(hwnd) != FALSE;
  c.enabled = IsWindowEnabled(hwnd) != FALSE;
  c.checked = CheckState(hwnd);
  GetWindowRect(hwnd, &c.rect);
  return c;
}

std::vector<Control> Controls(HWND parent) {
  std::vector<Control> controls;
  for (HWND child : Descendants(parent)) controls.push_back(Describe(child));
  return controls;
}

std::vector<TopWindow> TopLevelWindows(DWORD processId, bool visibleOnly) {
  std::vector<TopWindow> windows;
  for (HWND hwnd : TopLevelHandles(processId, visibleOnly)) {
    TopWindow w;
    w.window = Describe(hwnd);
    GetWindowThreadProcessId(hwnd, &w.processId);
    w.controls = Controls(hwnd);
    windows.push_back(std::move(w));
  }
  return windows;
}

HWND FindTopLevel(DWORD processId, std::wstring_view className, std::wstring_view caption) {
  for (HWND hwnd : TopLevelHandles(processId, true))
    if (SameClass(hwnd, className) && (caption.empty() || WindowText(hwnd).utf16 == caption)) return hwnd;
  return nullptr;
}

HWND WaitForTopLevel(DWORD processId, std::wstring_view className, std::wstring_view caption, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (HWND hwnd = FindTopLevel(processId, className, caption)) return hwnd;
    if (GetTickCount64() >= end) return nullptr;
    Sleep(kPollMs);
  }
}

bool WaitForGone(HWND hwnd, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (IsWindow(hwnd) && IsWindowVisible(hwnd)) {
    if (GetTickCount64() >= end) return false;
    Sleep(kPollMs);
  }
  return true;
}

HWND FindControl(HWND parent, std::wstring_view className, std::wstring_view text) {
  for (HWND child : Descendants(parent))
    if (SameClass(child, className) && WindowText(child).utf16 == text) return child;
  return nullptr;
}

HWND FindControlById(HWND parent, int id) {
  for (HWND child : Descendants(parent))
    if (GetDlgCtrlID(child) == id) return child;
  return nullptr;
}

int ListViewColumnCount(HWND listView) {
  const auto header = reinterpret_cast<HWND>(SendWithTimeout(listView, LVM_GETHEADER, 0, 0));
  const int columns = header ? static_cast<int>(SendWithTimeout(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  return columns > 0 ? columns : 1;
}

std::vector<std::vector<UiText>> ListViewRows(HWND listView) {
  const int rows = static_cast<int>(SendWithTimeout(listView, LVM_GETITEMCOUNT, 0, 0));
  const int columns = ListViewColumnCount(listView);
  std::vector<std::vector<UiText>> cells(static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      LVITEMW item{};
      item.iSubItem = column;
      cells[static_cast<std::size_t>(row)].emplace_back(
          RemoteTextQuery(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), item, &LVITEMW::pszText, &LVITEMW::cchTextMax));
    }
  }
  return cells;
}

std::vector<int> ListViewSelection(HWND listView) {
  std::vector<int> rows;
  int row = -1;
  while ((row = static_cast<int>(SendWithTimeout(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0)
    rows.push_back(row);
  return rows;
}

// The control copies a tool's text without a bound of the caller's: the buffer holds the most it keeps.
std::vector<UiText> ToolTexts(HWND tooltip) {
  const int count = static_cast<int>(SendWithTimeout(tooltip, TTM_GETTOOLCOUNT, 0, 0));
  std::vector<UiText> texts;
  for (int i = 0; i < count; ++i) {
    RemoteBuffer buffer(tooltip, sizeof(TTTOOLINFOW) + kTextCapacity * sizeof(wchar_t));
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.lpszText = reinterpret_cast<LPWSTR>(buffer.at(sizeof info));
    const wchar_t none = L'\0';
    if (!buffer.ok() || !buffer.Write(0, &info, sizeof info) || !buffer.Write(sizeof info, &none, sizeof none)) break;
    if (SendWithTimeout(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.at(0))))
      texts.emplace_back(buffer.ReadText(sizeof info, kTextCapacity));
  }
  return texts;
}

std::vector<UiText> TabCaptions(HWND tabControl) {
  const int count = static_cast<int>(SendWithTimeout(tabControl, TCM_GETITEMCOUNT, 0, 0));
  std::vector<UiText> captions;
  for (int i = 0; i < count; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    captions.emplace_back(RemoteTextQuery(tabControl, TCM_GETITEMW, static_cast<WPARAM>(i), item, &TCITEMW::pszText, &TCITEMW::cchTextMax));
  }
  return captions;
}

int CurrentTab(HWND tabControl) { return static_cast<int>(SendWithTimeout(tabControl, TCM_GETCURSEL, 0, 0)); }

bool SelectTab(HWND tabControl, int index) {
  RemoteBuffer buffer(tabControl, sizeof(RECT));
  RECT r{};
  if (!buffer.ok() || !SendWithTimeout(tabControl, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(buffer.at(0))) ||
      !buffer.Read(0, &r, sizeof r))
    return false;
  const LPARAM centre = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageW(tabControl, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  PostMessageW(tabControl, WM_LBUTTONUP, 0, centre);
  return true;
}

HWND FocusedControl(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

void SelectAllText(HWND edit) { PostMessageW(edit, EM_SETSEL, 0, -1); }

void TypeText(HWND control, std::wstring_view text) {
  for (const wchar_t ch : text) PostMessageW(control, WM_CHAR, ch, 1);
}

UiText MessageBoxText(HWND dialog) {
  for (HWND child : Descendants(dialog)) {
    if (!SameClass(child, L"Static") || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
    UiText text = WindowText(child);
    if (!text.utf16.empty()) return text;
  }
  return {};
}

bool PressButton(HWND window, std::wstring_view text) {
  HWND button = ButtonByText(window, text);
  if (!button || !IsWindowEnabled(button) || !IsWindowVisible(button)) return false;
  HWND top = GetAncestor(button, GA_ROOT);
  if (!IsWindowEnabled(top)) return false;  // a modal window of its own is open over it
  return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

bool PressButton(HWND window, std::string_view cp932Text) { return PressButton(window, Widen(cp932Text)); }

bool DoubleClickListRow(HWND listView, int row) {
  RemoteBuffer buffer(listView, sizeof(RECT));
  RECT item{LVIR_BOUNDS, 0, 0, 0};
  if (!buffer.ok() || !buffer.Write(0, &item, sizeof item)) return false;
  if (!SendWithTimeout(listView, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.at(0))) ||
      !buffer.Read(0, &item, sizeof item))
    return false;
  const LPARAM at = MAKELPARAM(item.left + 8, (item.top + item.bottom) / 2);
  return PostMessageW(listView, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageW(listView, WM_LBUTTONUP, 0, at) &&
         PostMessageW(listView, WM_LBUTTONDBLCLK, MK_LBUTTON, at) && PostMessageW(listView, WM_LBUTTONUP, 0, at);
}

bool PressKey(HWND hwnd, WPARAM key) {
  return PostMessageW(hwnd, WM_KEYDOWN, key, 1) && PostMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
}

bool ReplaceText(HWND edit, std::wstring_view text) {
  const std::wstring whole(text);
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(whole.c_str()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &result) != 0;
}

HWND OpenPopupMenu(DWORD processId) { return FindTopLevel(processId, L"#32768", L""); }

std::vector<UiText> PopupMenuItems(HWND popupMenuWindow) {
  const auto menu = reinterpret_cast<HMENU>(SendWithTimeout(popupMenuWindow, MN_GETHMENU, 0, 0));
  const int count = menu ? GetMenuItemCount(menu) : -1;
  std::vector<UiText> items;
  for (int i = 0; i < count; ++i) {
    wchar_t text[kTextCapacity] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, kTextCapacity, MF_BYPOSITION);
    items.emplace_back(text);
  }
  return items;
}

// The menu's modal loop reads keyboard messages from its thread's queue whatever window they are
// posted to, so posting to the menu window drives it like the keyboard.
bool PickMenuItem(HWND popupMenuWindow, std::wstring_view text) {
  if (!popupMenuWindow || !IsWindow(popupMenuWindow)) return false;
  const auto menu = reinterpret_cast<HMENU>(SendWithTimeout(popupMenuWindow, MN_GETHMENU, 0, 0));
  const std::vector<UiText> items = PopupMenuItems(popupMenuWindow);
  if (!items.empty()) {
    // VK_DOWN from no selection lands on the first item and then skips separators.
    int downs = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      const bool separator = (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0;
      if (separator) continue;
      ++downs;
      if (TextMatches(items[i].utf16, text)) {
        for (int k = 0; k < downs; ++k) PressKey(popupMenuWindow, VK_DOWN);
        PressKey(popupMenuWindow, VK_RETURN);
        return true;
      }
    }
    return false;
  }
  const std::size_t amp = text.find(L'&');
  if (amp == std::wstring_view::npos || amp + 1 >= text.size()) return false;
  PostMessageW(popupMenuWindow, WM_CHAR, text[amp + 1], 1);
  return true;
}

bool PickMenuItem(HWND popupMenuWindow, std::string_view cp932Text) { return PickMenuItem(popupMenuWindow, Widen(cp932Text)); }

bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return PostMessageW(hwnd, message, wParam, lParam) != FALSE; }

}  // namespace uiprobe
