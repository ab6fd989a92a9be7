#pragma once
// A one-line file name field with a browse button inside its right edge that opens the file-open
// dialog; the chosen path becomes the text. OnChange fires once per change of the text (typing,
// pasting, a browse that picks another path, the program writing another Filename), never for an
// equal text and never while loading.
#include <windows.h>

#include <commdlg.h>

#include <cstddef>
#include <optional>
#include <string>

#include "desktop/TrackedEdit.h"
#include "toolkit/Handles.h"

// The text under which a chosen file is kept: the path itself when it fits maxLength and code page
// 932 holds every character of it, else its short form if that does; nullopt when neither names the
// file after a restart.
std::optional<std::string> StorablePath(const std::wstring& path, std::size_t maxLength);

class TFileOpenEdit : public TTrackedEdit {
public:
  // At 96 DPI.
  static constexpr int kButtonWidth = 18;

  TFileOpenEdit(TWinControl& parent, const TBounds& bounds);

  std::string Filename() const { return Text(); }
  void SetFilename(const std::string& name) { SetText(name); }

  // Handed to the dialog: "description|patterns|..." pairs, the dialog's option flags, its caption
  // (empty: the platform's), the folder it opens in, and the extension added to a name without one.
  std::string Filter;
  DWORD Options = OFN_HIDEREADONLY;
  std::string Title;
  std::string InitialDir;
  std::string DefaultExt;

  HWND BrowseButton() const { return Button.Get(); }

  void ApplyDpi(int dpi) override;

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Layout() override;
  // Runs the dialog; on confirmation the chosen path becomes the text (a path that cannot be stored is
  // refused with a message), on cancel nothing changes.
  virtual void DoOnBrowseClick();

private:
  TOwnedBitmap Folder;
  // Declared after the picture it shows, so that it goes first.
  TOwnedWindow Button;
};
