#pragma once
// The DPI a window is shown at, and the system metrics and frames for it. The per-monitor calls exist
// from Windows 10 on; they are looked up at run time, so the program still starts on Vista and 7,
// where every window has the system's DPI.
#include <windows.h>

int SystemDpi();
int WindowDpi(HWND wnd);
int SystemMetricForDpi(int index, int dpi);
// The window rectangle around `client` for a window of these styles shown at `dpi`.
RECT FrameForClient(const RECT& client, DWORD style, DWORD exStyle, int dpi);
