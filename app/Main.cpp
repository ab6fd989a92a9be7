// The program's entry: the application title, the main window (which loads the accounts, puts the
// tray icon up and makes the account dialog), then the message loop until the main window closes.
// The main window's POP3 client needs the sockets header before windows.h.
#include <winsock2.h>
#include <windows.h>

#include "app/MainWindow1.h"
#include "toolkit/Application.h"
#include "toolkit/ErrorDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    Application().SetTitle("\x83\x79\x83\x8b\x83\x82\x81\x5b\x83\x89");  // ペルモーラ
    // The main window makes and owns the account dialog.
    const auto MainForm1 = Application().CreateForm<TMainForm1>();
    Application().Run();
  } catch (...) {
    // An error while building the main window ends the program after the dialog.
    HandleException();
  }
  return 0;
}
