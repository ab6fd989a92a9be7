#pragma once
// A one-line file name field with a browse button inside its right edge that opens the file-open
// dialog; the chosen path becomes the text. OnChange fires once per change of the text (typing,
// pasting, a browse that picks another path, the program writing another Filename), never for an
// equal text and never while loading.
#include <windows.h>

#include <commdlg.h>

#include <string>

#include "desktop/TrackedEdit.h"

class TFileOpenEdit : public TTrackedEdit {
public:
  // At 96 DPI.
  static constexpr int kButtonWidth = 18;

  TFileOpenEdit(TWinControl& parent, const TBounds& bounds);
  ~TFileOpenEdit() override;

  std::string Filename() const { return Text(); }
  void SetFilename(const std::string& name) { SetText(name); }

  // Handed to the dialog: "description|patterns|..." pairs, the dialog's option flags, its caption
  // (empty: the platform's), the folder it opens in, and the extension added to a name without one.
  std::string Filter;
  DWORD Options = OFN_HIDEREADONLY;
  std::string Title;
  std::string InitialDir;
  std::string DefaultExt;

  HWND BrowseButton() const { return Button; }

  void ApplyDpi(int dpi) override;

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Layout() override;
  // Runs the dialog; on confirmation the chosen path becomes the text, on cancel nothing changes.
  virtual void DoOnBrowseClick();

private:
  HWND Button = nullptr;
  HBITMAP Folder = nullptr;
};
