#pragma once
// Message dialogs: modal, centred on the screen.
#include <string>

// The text with one OK button, no icon, the application title as caption.
void ShowMessage(const std::string& text);
// The same for a text that code page 932 cannot hold (a subject with an emoji).
void ShowMessage(const std::u16string& text);

// A question with the buttons "はい(&Y)" (the default) and "いいえ(&N)" (also Esc), whatever the
// language of the system, the question icon and the given title. Returns mrYes or mrNo.
int ConfirmYesNo(const std::string& text, const std::string& title);

// Ends every message box this thread shows, as if dismissed (a question answers "いいえ"), so that
// the code waiting on it goes on: used when the program closes while a box is open.
void EndThreadMessageBoxes();
