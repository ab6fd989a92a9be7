#pragma once
// Message dialogs: modal, centred on the screen.
#include <string>

// The text with one OK button, no icon, the application title as caption.
void ShowMessage(const std::string& text);

// A question with the buttons "はい(&Y)" (the default) and "いいえ(&N)" (also Esc), whatever the
// language of the system, the question icon and the given title. Returns mrYes or mrNo.
int ConfirmYesNo(const std::string& text, const std::string& title);
