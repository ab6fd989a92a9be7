#include "transport/MessageWait.h"

#include <windows.h>

void WaitForMessage() {
  // MWMO_INPUTAVAILABLE also wakes for messages that an earlier peek already saw, so a notification
  // posted before the wait began is never slept through.
  MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}
