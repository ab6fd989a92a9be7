// The program's entry: the application title, the main window (which loads the accounts, puts the
// tray icon up and makes the account dialog), then the message loop until the main window closes.
#include <windows.h>

#include "app/MainWindow1.h"
#include "toolkit/Application.h"
#include "toolkit/ErrorDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    Application().SetTitle("ペルモーラ");
    // The main window makes and owns the account dialog.
    const auto MainForm1 = Application().CreateForm<TMainForm1>();
    Application().Run();
  } catch (...) {
    // An error while building the main window ends the program after the dialog.
    HandleException();
  }
  return 0;
}
