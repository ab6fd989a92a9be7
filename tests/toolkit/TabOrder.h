#pragma once
// The controls the Tab key visits on a shown form, starting at its first tab stop, pressed as a user
// presses it (through the application's message loop and the form's keyboard handling).
#include <windows.h>

#include <vector>

#include "toolkit/Application.h"
#include "toolkit/Form.h"

inline std::vector<HWND> TabCycle(TForm& form) {
  std::vector<HWND> visited;
  HWND first = GetNextDlgTabItem(form.Handle(), nullptr, FALSE);
  if (!first) return visited;
  SetFocus(first);
  for (HWND focus = GetFocus(); focus && visited.size() < 40; focus = GetFocus()) {
    if (!visited.empty() && focus == visited.front()) break;
    visited.push_back(focus);
    PostMessageW(focus, WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(focus, WM_KEYUP, VK_TAB, 0xC0000000);
    Application().ProcessMessages();
  }
  return visited;
}
