#include "desktop/TrackedEdit.h"

TTrackedEdit::TTrackedEdit(TWinControl& parent, const TBounds& bounds, const std::string& text)
    // WS_CLIPCHILDREN keeps the edit's painting off the buttons inside it.
    : TEdit(parent, bounds, WS_CLIPCHILDREN | ES_AUTOHSCROLL, true, text), Shown(text) {}

// The edit reports the new text while it is being set, inside a message: the change is taken up
// here instead, where an exception of OnChange is the caller's.
void TTrackedEdit::SetText(const std::string& text) {
  if (text == Text()) return;
  Assigning = true;
  SetCaption(text);
  Assigning = false;
  Changed();
}

HFONT TTrackedEdit::Font() const { return reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)); }

void TTrackedEdit::CommandNotify(WORD code) {
  if (code == EN_CHANGE && !Assigning) Changed();
}

void TTrackedEdit::Changed() {
  // The edit also reports a replacement by the same text (a digit typed over itself): not a change.
  std::string text = Text();
  if (text == Shown) return;
  Shown = std::move(text);
  if (!IsLoading) OnChange(this);
}

void TTrackedEdit::PlaceButton(HWND button, const RECT& box, int gap) {
  MoveWindow(button, box.left, box.top, box.right - box.left, box.bottom - box.top, TRUE);
  RECT client{};
  GetClientRect(Handle(), &client);
  const int textEnd = box.left - gap;
  const auto setMargin = [&](int pixels) {
    SendMessageW(Handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, pixels > 0 ? pixels : 0));
  };
  const int margin = client.right - textEnd;
  setMargin(margin);
  // The edit keeps a pixel or so of its own inside the sunken border: measure it and take it back.
  RECT text{};
  SendMessageW(Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  if (text.right != textEnd) setMargin(margin + text.right - textEnd);
}

LRESULT TTrackedEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE:
    case WM_SETFONT: {
      // The edit resets its margins to the font's on WM_SETFONT: lay out afterwards.
      const LRESULT result = TEdit::WndProc(msg, wParam, lParam);
      Layout();
      return result;
    }
    case WM_ENABLE:
      for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        EnableWindow(child, static_cast<BOOL>(wParam));
      break;
    default:
      break;
  }
  return TEdit::WndProc(msg, wParam, lParam);
}
