#include "pop3/MessageWait.h"

#include <windows.h>

#include "toolkit/ErrorDialog.h"

namespace {
std::function<void()>& Processor() {
  static std::function<void()> processor;
  return processor;
}
std::function<void()>& ExceptionDisplay() {
  static std::function<void()> display;
  return display;
}
bool QuitSeen = false;
int QuitCode = 0;

void DispatchPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      QuitSeen = true;
      QuitCode = static_cast<int>(msg.wParam);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}
}  // namespace

void ProcessMessages() {
  if (Processor())
    Processor()();
  else
    DispatchPending();
}

void WaitForMessage() {
  // MWMO_INPUTAVAILABLE also wakes for messages that an earlier peek already saw, so a notification
  // posted before the wait began is never slept through.
  MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

bool QuitRequested(int* exitCode) {
  if (exitCode && QuitSeen) *exitCode = QuitCode;
  return QuitSeen;
}

void SetMessageProcessor(std::function<void()> processor) { Processor() = std::move(processor); }

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
