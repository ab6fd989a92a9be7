// uiprobe.exe: the UI probe for people and shell scripts. Run it under Wine in the program's prefix
// and on its display; it prints UTF-8.
//
//   uiprobe list [--all] [--exe NAME]       top-level windows with their controls, list rows and tabs
//   uiprobe msgbox [--exe NAME]             the texts of open message boxes
//   uiprobe press CAPTION BUTTON            presses a button of the window with that caption
//   uiprobe menu ITEM                       picks an item of the open popup menu (with its "&")
//   uiprobe post HWND MESSAGE WPARAM LPARAM posts a message (numbers decimal or 0x...)
//   uiprobe wait CLASS CAPTION MILLISECONDS waits for a window ("" matches anything); prints its handle
//
// Exit status: 0 done, 1 not found or refused, 2 usage.
#include "tests/support/UiProbe.h"

#include <fcntl.h>
#include <io.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/support/Utf8.h"
#include "toolkit/Text.h"

namespace {

using namespace uiprobe;

void Print(const std::string& utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stdout); }

std::string Hex(const void* p) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(p)));
  return buffer;
}

std::string Quoted(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c != '\r') out += c;
  }
  return out + "\"";
}

std::string Flags(const Control& c) {
  std::string out = std::string(c.visible ? " visible" : " hidden") + (c.enabled ? " enabled" : " disabled");
  if (c.checked >= 0) out += " checked=" + std::to_string(c.checked);
  return out;
}

// Processes whose executable file is named `exe` (case-insensitive).
std::vector<DWORD> ProcessesNamed(const std::wstring& exe) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (lstrcmpiW(entry.szExeFile, exe.c_str()) == 0) ids.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return ids;
}

// The windows of the processes the options name: "--exe NAME" or all; "--all" adds hidden ones.
std::vector<TopWindow> SelectedWindows(const std::vector<std::wstring>& options) {
  bool all = false;
  std::vector<DWORD> processes{0};
  for (std::size_t i = 0; i < options.size(); ++i) {
    if (options[i] == L"--all") all = true;
    if (options[i] == L"--exe" && i + 1 < options.size()) processes = ProcessesNamed(options[++i]);
  }
  std::vector<TopWindow> windows;
  for (DWORD id : processes)
    for (auto& w : TopLevelWindows(id, !all)) windows.push_back(std::move(w));
  return windows;
}

void PrintControlDetails(const Control& c) {
  if (c.className == L"SysListView32") {
    int row = 0;
    for (const auto& cells : ListViewRows(c.hwnd)) {
      std::string line = "    row " + std::to_string(row++) + ":";
      for (const auto& cell : cells) line += " " + Quoted(cell.utf8);
      Print(line + "\n");
    }
  } else if (c.className == L"SysTabControl32") {
    const int current = CurrentTab(c.hwnd);
    int index = 0;
    for (const auto& caption : TabCaptions(c.hwnd)) {
      Print("    tab " + std::to_string(index) + ": " + Quoted(caption.utf8) + (index == current ? " current" : "") + "\n");
      ++index;
    }
  }
}

int List(const std::vector<std::wstring>& options) {
  for (const TopWindow& w : SelectedWindows(options)) {
    const Control& c = w.window;
    Print("window " + Hex(c.hwnd) + " pid=" + std::to_string(w.processId) + " class=" + Quoted(ToUtf8(c.className)) +
          " text=" + Quoted(c.text.utf8) + Flags(c) + "\n");
    for (const Control& child : w.controls) {
      Print("  control " + Hex(child.hwnd) + " id=" + std::to_string(child.id) + " class=" + Quoted(ToUtf8(child.className)) +
            " text=" + Quoted(child.text.utf8) + Flags(child) + "\n");
      PrintControlDetails(child);
    }
  }
  return 0;
}

int MessageBoxes(const std::vector<std::wstring>& options) {
  int found = 0;
  for (const TopWindow& w : SelectedWindows(options)) {
    if (w.window.className != L"#32770") continue;
    Print(Quoted(w.window.text.utf8) + ": " + Quoted(MessageBoxText(w.window.hwnd).utf8) + "\n");
    ++found;
  }
  return found > 0 ? 0 : 1;
}

UINT_PTR Number(const std::wstring& text) { return static_cast<UINT_PTR>(std::wcstoull(text.c_str(), nullptr, 0)); }

int Usage() {
  Print("usage: uiprobe list|msgbox [--all] [--exe NAME] | press CAPTION BUTTON | menu ITEM |"
        " post HWND MESSAGE WPARAM LPARAM | wait CLASS CAPTION MILLISECONDS\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::wstring command = args[0];
  const std::vector<std::wstring> rest(args.begin() + 1, args.end());
  if (command == L"list") return List(rest);
  if (command == L"msgbox") return MessageBoxes(rest);
  if (command == L"press" && rest.size() == 2) {
    HWND window = FindTopLevel(0, L"", rest[0]);
    return window && PressButton(window, std::wstring_view(rest[1])) ? 0 : 1;
  }
  if (command == L"menu" && rest.size() == 1) return PickMenuItem(OpenPopupMenu(0), std::wstring_view(rest[0])) ? 0 : 1;
  if (command == L"post" && rest.size() == 4) {
    const auto hwnd = reinterpret_cast<HWND>(Number(rest[0]));
    return Post(hwnd, static_cast<UINT>(Number(rest[1])), static_cast<WPARAM>(Number(rest[2])), static_cast<LPARAM>(Number(rest[3]))) ? 0 : 1;
  }
  if (command == L"wait" && rest.size() == 3) {
    HWND hwnd = WaitForTopLevel(0, rest[0], rest[1], static_cast<DWORD>(Number(rest[2])));
    if (!hwnd) return 1;
    Print(Hex(hwnd) + "\n");
    return 0;
  }
  return Usage();
}
