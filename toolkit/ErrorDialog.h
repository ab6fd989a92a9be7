#pragma once
// The application's error dialog: the system message box with the error icon and one OK button,
// captioned with the application title.
#include <string>

// Call only inside a catch block: shows the exception in flight (its text: CurrentExceptionMessage).
void HandleException() noexcept;
void ShowErrorDialog(const std::string& message);

// The caption of every message box and of the error dialog.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();
