#include "toolkit/Edits.h"

TEdit::TEdit(TWinControl& parent, const TBounds& bounds, const std::string& text)
    : TEdit(parent, bounds, ES_AUTOHSCROLL, true) {
  SetText(text);
}

TEdit::TEdit(TWinControl& parent, const TBounds& bounds, DWORD style, bool visible, const std::string& text)
    : TWinControl(&parent) {
  CreateControl(L"EDIT", style | WS_TABSTOP, WS_EX_CLIENTEDGE, text, bounds, visible);
}

void TEdit::SetText(const std::string& text) {
  if (text != Text()) SetCaption(text);
}

void TEdit::SetMaxLength(int characters) { SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(characters), 0); }

void TEdit::SetNumberStyle() { SetWindowLongW(Handle(), GWL_STYLE, GetWindowLongW(Handle(), GWL_STYLE) | ES_NUMBER); }

void TEdit::SetCaretToEnd() {
  const int end = GetWindowTextLengthW(Handle());
  SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(end), end);
}

int TEdit::MaxLength() const { return static_cast<int>(SendMessageW(Handle(), EM_GETLIMITTEXT, 0, 0)); }

void TEdit::CommandNotify(WORD code) {
  if (code == EN_CHANGE) OnChange(this);
}

TMemo::TMemo(TWinControl& parent, const TBounds& bounds, bool visible)
    : TEdit(parent, bounds, ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_HSCROLL | WS_VSCROLL, visible) {}
