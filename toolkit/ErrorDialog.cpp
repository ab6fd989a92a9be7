#include "toolkit/ErrorDialog.h"

#include <windows.h>

#include "toolkit/portable/ErrorText.h"
#include "toolkit/Text.h"

namespace {
std::string& Title() {
  static std::string title;
  return title;
}

std::function<void(const std::string&)>& Display() {
  static std::function<void(const std::string&)> display;
  return display;
}
}  // namespace

void SetApplicationTitle(const std::string& title) { Title() = title; }
const std::string& ApplicationTitle() { return Title(); }

void ShowErrorDialog(const std::string& message) {
  MessageBoxW(nullptr, Widen(ErrorDialogText(message)).c_str(), Widen(Title()).c_str(),
              MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

void SetExceptionDisplay(std::function<void(const std::string&)> display) { Display() = std::move(display); }

void HandleException() noexcept {
  try {
    if (Display())
      Display()(CurrentExceptionMessage());
    else
      ShowErrorDialog(CurrentExceptionMessage());
  } catch (...) {
    // The display itself failed (no memory left for its text); nothing is left that could report it.
  }
}
