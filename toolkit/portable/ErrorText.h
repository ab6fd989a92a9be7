#pragma once
// Texts of the error dialog; no Windows API.
#include <string>

// A "." is appended to a non-empty message unless the code of its last character is that of "." or lower.
std::string ErrorDialogText(const std::string& message);

// Call only inside a catch block: the message of the exception in flight. The toolkit's exceptions
// carry their own; anything else gets a text that says what happened, never an empty one.
std::string CurrentExceptionMessage() noexcept;
