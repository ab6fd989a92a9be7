#pragma once
// Base of every object that owns a window: one static procedure per kind of window finds the object
// bound to the handle and calls its virtual WndProc. No C++ exception leaves a window procedure: it
// is handed to the application's error dialog at the dispatch point.
#include <windows.h>

#include <string>

#include "toolkit/portable/Object.h"

class TWindow : public TObject {
public:
  ~TWindow() override;

  HWND Handle() const { return Wnd; }
  // The object bound to a window created or subclassed by this class, or nullptr.
  static TWindow* FromHandle(HWND wnd);

protected:
  TWindow() = default;

  // Registers one of our own window classes (once per process) whose procedure dispatches to WndProc.
  static void RegisterOwnClass(const wchar_t* className, UINT style = 0, HBRUSH background = nullptr,
                               HICON icon = nullptr);
  // Creates a window of a class registered with RegisterOwnClass; the object is bound during WM_NCCREATE.
  void CreateOwn(const wchar_t* className, DWORD exStyle, DWORD style, const std::string& text, const RECT& bounds,
                 HWND parent, UINT_PTR idOrMenu);
  // Creates a standard control ("BUTTON", "EDIT", ...) and subclasses it, so WndProc sees its messages first.
  void CreateStandard(const wchar_t* className, DWORD exStyle, DWORD style, const std::string& text,
                      const RECT& bounds, HWND parent, UINT_PTR id);
  void DestroyHandle();

  // Default handling reflects WM_COMMAND and WM_NOTIFY from a child control back to the child's
  // object, then falls back to the class's own procedure.
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);

  // Notifications Windows sends to the parent, delivered to the control that raised them.
  virtual void CommandNotify(WORD /*code*/) {}
  virtual LRESULT Notify(NMHDR* /*header*/) { return 0; }

private:
  static LRESULT CALLBACK OwnClassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT Dispatch(TWindow* window, UINT msg, WPARAM wParam, LPARAM lParam);
  void Bind(HWND wnd);
  void Unbind();

  HWND Wnd = nullptr;
  WNDPROC Original = nullptr;  // the standard control's own procedure, when subclassed
};
