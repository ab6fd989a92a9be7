#pragma once
// A small window with the kinds of controls the UI probe reads, for the probe's own tests: created in
// a thread of the test program or in the separate program probe_target.exe.
#include <windows.h>

namespace probetest {

enum : int {
  kAddButton = 101,
  kCheckBox = 102,
  kDisabledButton = 103,
  kListView = 104,
  kTabs = 105,
  kMenuCheck = 201,
  kMenuExit = 202,
};

// Posted to the window: it opens its popup menu (modal until an item is picked or it is dismissed).
constexpr UINT kOpenMenu = WM_APP + 1;

// Creates the window, shown, in the calling thread; `onCommand` (may be null) gets every command id.
HWND CreateProbeTestWindow(void (*onCommand)(int id));

}  // namespace probetest
