#pragma once
// How the socket transport waits: it dispatches every pending message of the GUI thread, and blocks
// (without using the CPU) only while the queue is empty.
#include <functional>

// Dispatches every pending message of this thread and returns when the queue is empty. A WM_QUIT is
// not dispatched: it is kept for QuitRequested, since the wait is inside someone else's operation.
void ProcessMessages();

// Returns at once when a message is pending, otherwise sleeps until one arrives (a posted or sent
// message, input, or a timer tick). Dispatches nothing.
void WaitForMessage();

// True once a WM_QUIT was met by ProcessMessages; exitCode receives its wParam.
bool QuitRequested(int* exitCode = nullptr);

// The application's message loop may take over dispatching (to keep its own state about WM_QUIT).
void SetMessageProcessor(std::function<void()> processor);

// Shows the exception in flight through the application's error display; call only inside a catch
// block. Window procedures of this folder use it so no exception crosses a Win32 callback.
void ShowCallbackException() noexcept;
// Replaces the display (the default is the toolkit's error dialog); an empty function restores it.
void SetCallbackExceptionDisplay(std::function<void()> display);
