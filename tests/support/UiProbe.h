#pragma once
// Reads and drives the windows of a running program from outside, the way a user sees them:
// top-level windows, their controls with texts and states, list-view cells, tab captions, message
// boxes, popup menus. Works across processes (the Wine tests drive Pelmora.exe as a child process)
// and on windows of another thread of the caller. Every text comes back as UTF-16 read from the
// window and is offered both as UTF-8 (for output) and as CP932 (to compare with the program's own
// byte strings).
//
// Calls into the target never block for long: reads use SendMessageTimeout, and actions that may
// open a modal window (pressing a button, picking a menu item) post their messages and return.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace uiprobe {

struct UiText {
  std::wstring utf16;
  std::string utf8;
  std::string cp932;

  UiText() = default;
  explicit UiText(std::wstring text);
};

struct Control {
  HWND hwnd = nullptr;
  HWND parent = nullptr;
  UiText text;  // WM_GETTEXT
  std::wstring className;
  int id = 0;  // GetDlgCtrlID
  bool visible = false;  // IsWindowVisible (the window and all its parents)
  bool enabled = false;  // IsWindowEnabled
  int checked = -1;  // BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE; -1 for anything but a check box or radio button
  RECT rect{};  // screen coordinates
};

struct TopWindow {
  Control window;  // id and checked are meaningless here
  DWORD processId = 0;
  std::vector<Control> controls;  // every descendant, in Z order of a depth-first walk
};

// The state of one window.
Control Describe(HWND hwnd);
UiText WindowText(HWND hwnd);

// Top-level windows of one process (0: of every process), each with all its controls.
std::vector<TopWindow> TopLevelWindows(DWORD processId, bool visibleOnly = true);
// Every descendant control of `parent`.
std::vector<Control> Controls(HWND parent);

// The first top-level window of `processId` (0: any) whose class and caption match; an empty
// argument matches anything. Only visible windows count. nullptr when there is none.
HWND FindTopLevel(DWORD processId, std::wstring_view className, std::wstring_view caption);
// Polls FindTopLevel every 20 ms until it finds a window or `timeoutMs` passes (then nullptr).
HWND WaitForTopLevel(DWORD processId, std::wstring_view className, std::wstring_view caption, DWORD timeoutMs);
// Polls until `hwnd` is destroyed or hidden; false when it is still shown after `timeoutMs`.
bool WaitForGone(HWND hwnd, DWORD timeoutMs);

// The first descendant of `parent` with this class (empty: any) and text; nullptr when none.
HWND FindControl(HWND parent, std::wstring_view className, std::wstring_view text);
HWND FindControlById(HWND parent, int id);

// List-view (SysListView32) cells, row by row; every row has ListViewColumnCount cells (at least one).
int ListViewColumnCount(HWND listView);
std::vector<std::vector<UiText>> ListViewRows(HWND listView);
// Indexes of the selected rows.
std::vector<int> ListViewSelection(HWND listView);

// The texts of a tooltip control's (tooltips_class32) tools: the shell keeps the notification-area
// icons' tips in one.
std::vector<UiText> ToolTexts(HWND tooltip);

// Tab-control (SysTabControl32) captions, and the index of the current tab (-1: none).
std::vector<UiText> TabCaptions(HWND tabControl);
int CurrentTab(HWND tabControl);

// Selects tab `index` as a mouse click on its caption does, so that the control tells its owner;
// false when there is no such tab.
bool SelectTab(HWND tabControl, int index);

// The control that has the keyboard focus in the thread of `window`; nullptr when none has it.
HWND FocusedControl(HWND window);

// Selects the whole text of an edit control, as a user does before typing over it.
void SelectAllText(HWND edit);
// Types `text` as the keyboard does once a key press is translated: one posted WM_CHAR per
// character, in order, so that the control's own character handling and change notices run.
void TypeText(HWND control, std::wstring_view text);

// The text of a message box (a "#32770" dialog): its static control that carries text.
UiText MessageBoxText(HWND dialog);

// Presses the button whose text is `text` (an "&" of the control's text may be left out) among the
// descendants of `window`, by posting BM_CLICK. Returns false, pressing nothing, when there is no such
// button or it, or its window, is disabled or hidden.
bool PressButton(HWND window, std::wstring_view text);
bool PressButton(HWND window, std::string_view cp932Text);

// Double-clicks list-view row `row` (0 is the first item) as the mouse would, at its left end.
// False when the row cannot be found.
bool DoubleClickListRow(HWND listView, int row);

// A key pressed and released on a control (VK_RETURN, VK_ESCAPE, VK_DOWN, ...), posted so that it
// goes through the program's message loop and its dialog keys as a key press does.
bool PressKey(HWND hwnd, WPARAM key);
// Replaces the whole text of an edit at once, as a paste over a selection of everything does: one
// change. Sent, so it returns after the program has handled the change (or after 2 s, when that
// opened a modal window).
bool ReplaceText(HWND edit, std::wstring_view text);

// The open popup menu (a "#32768" window of `processId`, 0: any), or nullptr.
HWND OpenPopupMenu(DWORD processId);
// Item texts of the open popup menu; empty when the menu cannot be read from this process (Wine
// keeps menus per process, so a menu of another process is read only on Windows).
std::vector<UiText> PopupMenuItems(HWND popupMenuWindow);
// Picks the item of the open popup menu whose text is `text` (with its "&"), as a user at the
// keyboard would: by walking to it with the arrow keys when the items can be read, otherwise by its
// "&" mnemonic. Returns false when no item matches or no menu is open.
bool PickMenuItem(HWND popupMenuWindow, std::wstring_view text);
bool PickMenuItem(HWND popupMenuWindow, std::string_view cp932Text);

// PostMessageW, for messages a test sends as the system would (WM_CLOSE, a tray callback, ...).
bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace uiprobe
