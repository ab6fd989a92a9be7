#pragma once
// Texts of the error dialog; no Windows API.
#include <string>

// A "." is appended to a non-empty message unless the code of its last character is that of "." or lower.
std::string ErrorDialogText(const std::string& message);
