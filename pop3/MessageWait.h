#pragma once
// How the socket transport waits: it dispatches every pending message of the GUI thread, and blocks
// (without using the CPU) only while the queue is empty.
#include <functional>

// Returns at once when a message is pending, otherwise sleeps until one arrives (a posted or sent
// message, input, or a timer tick). Dispatches nothing.
void WaitForMessage();

// Shows the exception in flight through the application's error display; call only inside a catch
// block. Window procedures of this folder use it so no exception crosses a Win32 callback.
void ShowCallbackException() noexcept;
// Replaces the display (the default is the toolkit's error dialog); an empty function restores it.
void SetCallbackExceptionDisplay(std::function<void()> display);
