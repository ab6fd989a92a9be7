// The program's entry: the application title, the main window (which loads the accounts and puts the
// tray icon up), the account dialog, then the message loop until the main window closes.
#include <windows.h>

#include "accounts/AccountWindow1.h"
#include "app/MainWindow1.h"
#include "toolkit/Application.h"
#include "toolkit/ErrorDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    Application().SetTitle("ペルモーラ");
    const auto MainForm1 = Application().CreateForm<TMainForm1>();
    // The dialog plays its preview through the main window's player and goes first at the end.
    const auto AccountForm1 = Application().CreateForm<TAccountForm1>(MainForm1->MediaPlayer1);
    MainForm1->AccountForm1 = AccountForm1.get();
    Application().Run();
  } catch (...) {
    // An error while building the main window ends the program after the dialog.
    HandleException();
  }
  return 0;
}
