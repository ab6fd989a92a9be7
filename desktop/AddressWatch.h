#pragma once
// Tells the GUI thread when the machine's network addresses change (a network came or went, a cable,
// a wireless network, a VPN), so that what failed for want of a network can be tried again at once.
// Windows completes a notification request by setting an event; a wait of the system's thread pool
// then posts a message to a message-only window: no thread of our own, no wait on the GUI thread.
#include <windows.h>

#include "toolkit/Handles.h"
#include "toolkit/portable/Event.h"
#include "toolkit/Window.h"

class TAddressWatch : public TWindow {
public:
  // Watches from construction on; throws Exception when Windows refuses the request.
  TAddressWatch();
  // Cancels the request and waits for a callback in flight: nothing of the watch outlives it.
  ~TAddressWatch() override;
  TAddressWatch(const TAddressWatch&) = delete;
  TAddressWatch& operator=(const TAddressWatch&) = delete;

  // On the GUI thread, once a notification; the watch goes on.
  Event<TObject*> OnChange;

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  void Arm();
  void Stop();
  static void CALLBACK Signalled(void* window, BOOLEAN timedOut);

  TOwnedHandle Completed;  // set by Windows when the request completes
  OVERLAPPED Request{};
  HANDLE Wait = nullptr;
};
