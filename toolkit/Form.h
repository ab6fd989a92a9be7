#pragma once
// A top-level window of the program: fixed dialog frame, exact client size, centred on the screen,
// button-face background, the design font; size, controls and font scaled to the DPI of its monitor,
// and laid out anew when that changes. Forms are owned by the application window, so they never
// get a taskbar button of their own.
#include <string>
#include <vector>

#include "toolkit/Control.h"
#include "toolkit/portable/Event.h"

class TButton;
class TLabel;

enum class TCloseAction { None, Hide, Free };

class TForm : public TWinControl {
public:
  TForm(const std::string& caption, int clientWidth, int clientHeight);
  ~TForm() override;

  // Run once by TApplication::CreateForm after the constructor of the derived form has finished.
  Event<TObject*> OnCreate;
  // Runs on every close request; the action may be changed to None to keep the window open.
  Event<TObject*, TCloseAction&> OnClose;

  // Shows the window (if hidden) and brings it to the front.
  void BringToFront();
  // Asks the form to close: OnClose, then hide it; closing the application's main form ends the
  // message loop; closing a modal form ends ShowModal with mrCancel.
  void Close();

  // The toolkit's own modal loop: disables the other windows of the program, shows the form and
  // dispatches messages until ModalResult is not mrNone, then hides it and returns ModalResult.
  int ShowModal();
  int ModalResult() const { return Result; }
  void SetModalResult(int result) { Result = result; }
  bool Modal() const { return InModalLoop; }

  // Enter clicks this button unless the focused control is a button; Esc clicks the cancel button.
  TButton* DefaultButton = nullptr;
  TButton* CancelButton = nullptr;

  int ClientWidth() const;
  int ClientHeight() const;

  // Keyboard handling of the form's controls: Enter, Esc, label accelerators and dialog navigation.
  // True when the message was used up.
  bool PreTranslateMessage(MSG& msg);

  void RegisterLabel(TLabel* label);
  void UnregisterLabel(TLabel* label);

  void DoCreate() { OnCreate(this); }

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  RECT CentredFrame() const;
  void DpiChanged(int dpi, const RECT& suggested);
  void KeepClientSize();
  bool ClickButton(TButton* button);
  bool FocusLabelTarget(wchar_t key);

  int DesignClientWidth;
  int DesignClientHeight;
  int Result = 0;
  bool InModalLoop = false;
  HWND LastFocus = nullptr;
  std::vector<TLabel*> Labels;
};
