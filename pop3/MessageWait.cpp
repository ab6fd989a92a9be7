#include "pop3/MessageWait.h"

#include <windows.h>

#include "toolkit/ErrorDialog.h"

namespace {
std::function<void()>& ExceptionDisplay() {
  static std::function<void()> display;
  return display;
}
}  // namespace

void WaitForMessage() {
  // MWMO_INPUTAVAILABLE also wakes for messages that an earlier peek already saw, so a notification
  // posted before the wait began is never slept through.
  MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void ShowCallbackException() noexcept {
  if (!ExceptionDisplay()) {
    HandleException();
    return;
  }
  try {
    ExceptionDisplay()();
  } catch (...) {
    // The display itself failed; nothing is left that could report it.
  }
}

void SetCallbackExceptionDisplay(std::function<void()> display) { ExceptionDisplay() = std::move(display); }
