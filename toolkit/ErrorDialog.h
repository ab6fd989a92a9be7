#pragma once
// The application's error dialog: the system message box with the error icon and one OK button,
// captioned with the application title.
#include <functional>
#include <string>

// Call only inside a catch block: shows the exception in flight (its text: CurrentExceptionMessage).
// Every exception that escapes a window's or a callback's handler is reported here.
void HandleException() noexcept;
void ShowErrorDialog(const std::string& message);
// Replaces what HandleException shows the text with (the default is the error dialog), so a test can
// capture it; an empty function restores the dialog.
void SetExceptionDisplay(std::function<void(const std::string&)> display);

// The caption of every message box and of the error dialog.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();
