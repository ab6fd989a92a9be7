// probe_target.exe: the probe's test window in a process of its own. When "message.txt" (CP932) lies
// in the working directory, it first shows its text in a message box owned by the window. Picking
// the menu item kMenuExit ends it with that id as exit code; closing the window ends it with 7.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/ProbeTestWindow.h"
#include "toolkit/Text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  HWND window = probetest::CreateProbeTestWindow([](int id) {
    if (id == probetest::kMenuExit) PostQuitMessage(id);
  });
  std::ifstream file("message.txt", std::ios::binary);
  if (file) {
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    MessageBoxW(window, Widen(text).c_str(), L"ペルモーラ", MB_OK);
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
