#pragma once
// The application object: title, the hidden application window that carries the taskbar button, the
// main form and the message loop.
#include <memory>
#include <string>
#include <utility>

#include "toolkit/Form.h"
#include "toolkit/portable/MessagePump.h"
#include "toolkit/Window.h"

class TApplication : public TWindow, public TMessagePump {
public:
  TApplication();

  // Title of the application window and caption of every message box and the error dialog.
  void SetTitle(const std::string& title);
  const std::string& Title() const;

  // Run shows the main form only while this is set (a tray icon clears it).
  bool ShowMainForm = true;

  TForm* MainForm() const { return Main; }
  // Builds a form; its OnCreate runs after its constructor; the first form built becomes the main form.
  template <typename F, typename... Args>
  std::unique_ptr<F> CreateForm(Args&&... args) {
    auto form = std::make_unique<F>(std::forward<Args>(args)...);
    form->DoCreate();
    if (!Main) Main = form.get();
    return form;
  }
  void FormDestroyed(TForm* form);

  void ProcessMessages() override;
  // Waits for one message and dispatches it.
  void HandleMessage();
  // The message loop: runs until the main form closes or Terminate is called.
  void Run();
  void Terminate();
  bool Terminated() const { return Ended; }

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  bool FetchAndDispatch(bool wait);
  void Dispatch(MSG& msg);

  TForm* Main = nullptr;
  bool Ended = false;
};

// The one application object of the process, created on first use.
TApplication& Application();
