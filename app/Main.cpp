// The program's entry: a second start from the same folder shows the running copy's settings window
// and ends; otherwise the application title, the main window (which loads the accounts, puts the tray
// icon up and makes the account dialog), then the message loop until the main window closes.
#include <windows.h>

#include "app/MainWindow1.h"
#include "app/ProgramFile.h"
#include "app/ProgramInstance.h"
#include "toolkit/Application.h"
#include "toolkit/ErrorDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    const TProgramInstance instance(ProgramPath());
    if (!instance.First()) {
      instance.ShowRunningCopy();
      return 0;
    }
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
