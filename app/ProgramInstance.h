#pragma once
// One running copy per program folder: copies started from one folder would share account.dat,
// Pelmora.ini and mailids.dat, and the one that ended last would undo the other's changes.
#include <windows.h>

#include <string>

#include "toolkit/Handles.h"

class TProgramInstance {
public:
  // Claims the folder of the program file `programPath` for this process, while the object lives.
  explicit TProgramInstance(const std::string& programPath);

  // False when a copy from the same folder was running already.
  bool First() const { return IsFirst; }
  // Asks the running copy to bring its settings window to the front.
  void ShowRunningCopy() const;

private:
  std::wstring Name;
  TOwnedHandle Mutex;
  bool IsFirst = false;
};

// The message that a later start sends the copy from the folder `programDir`: it then shows its
// settings window.
UINT ShowRunningCopyMessage(const std::string& programDir);
