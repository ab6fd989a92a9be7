#include "toolkit/ErrorDialog.h"

#include <windows.h>

#include "toolkit/ErrorText.h"
#include "toolkit/Text.h"

namespace {
std::string& Title() {
  static std::string title;
  return title;
}
}  // namespace

void SetApplicationTitle(const std::string& title) { Title() = title; }
const std::string& ApplicationTitle() { return Title(); }

void ShowErrorDialog(const std::string& message) {
  MessageBoxW(nullptr, Widen(ErrorDialogText(message)).c_str(), Widen(Title()).c_str(),
              MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

void HandleException() noexcept {
  try {
    ShowErrorDialog(CurrentExceptionMessage());
  } catch (...) {
    // The dialog itself failed (no memory left for its text); nothing is left that could report it.
  }
}
