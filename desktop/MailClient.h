#pragma once
// The user's default mail program, as the system registers it (Software\Clients\Mail).

// Starts the registered default mail program; false when none is registered or it cannot be started.
bool StartDefaultMailClient();
