#pragma once
// How the socket transport waits: it dispatches every pending message of the GUI thread, and blocks
// (without using the CPU) only while the queue is empty.

// Returns at once when a message is pending, otherwise sleeps until one arrives (a posted or sent
// message, input, or a timer tick). Dispatches nothing.
void WaitForMessage();
