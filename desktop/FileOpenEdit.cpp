#include "desktop/FileOpenEdit.h"

#include "desktop/DialogFilter.h"
#include "toolkit/Text.h"

namespace {

constexpr int kPictureWidth = 14;
constexpr int kPictureHeight = 13;
// Long enough for any path the dialog can return, so it never fails for want of room.
constexpr DWORD kPathRoom = 32768;

void FillPolygon(HDC dc, const POINT* corners, int count, COLORREF fill, COLORREF outline) {
  const HPEN pen = CreatePen(PS_SOLID, 1, outline);
  const HBRUSH brush = CreateSolidBrush(fill);
  const HGDIOBJ oldPen = SelectObject(dc, pen);
  const HGDIOBJ oldBrush = SelectObject(dc, brush);
  Polygon(dc, corners, count);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

// An open folder: the back with its tab, and the front flap leaning forward over it; drawn at the
// field's DPI rather than stretched.
HBITMAP MakeFolderPicture(int dpi) {
  const auto scaled = [dpi](POINT p) { return POINT{ScaleToDpi(p.x, dpi), ScaleToDpi(p.y, dpi)}; };
  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateCompatibleDC(screen);
  const POINT size = scaled({kPictureWidth, kPictureHeight});
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, size.x, size.y);
  ReleaseDC(nullptr, screen);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  const RECT all{0, 0, size.x, size.y};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  POINT back[] = {{0, 1}, {4, 1}, {5, 2}, {11, 2}, {11, 11}, {0, 11}};
  POINT front[] = {{3, 5}, {13, 5}, {10, 11}, {0, 11}};
  for (POINT& p : back) p = scaled(p);
  for (POINT& p : front) p = scaled(p);
  FillPolygon(dc, back, 6, RGB(192, 160, 32), RGB(96, 64, 0));
  FillPolygon(dc, front, 4, RGB(255, 224, 96), RGB(96, 64, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  return bitmap;
}

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

TFileOpenEdit::TFileOpenEdit(TWinControl& parent, const TBounds& bounds)
    : TTrackedEdit(parent, bounds, {}), Folder(MakeFolderPicture(Dpi())) {
  Button = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP, 0, 0, 0, 0,
                           Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(Button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Folder));
  Layout();
}

TFileOpenEdit::~TFileOpenEdit() {
  // The button goes before the picture it shows.
  DestroyWindow(Button);
  DeleteObject(Folder);
}

void TFileOpenEdit::ApplyDpi(int dpi) {
  TTrackedEdit::ApplyDpi(dpi);
  const HBITMAP shown = Folder;
  Folder = MakeFolderPicture(dpi);
  SendMessageW(Button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Folder));
  DeleteObject(shown);
}

void TFileOpenEdit::Layout() {
  if (!Button) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  PlaceButton(Button, {client.right - Scale(kButtonWidth), 0, client.right, client.bottom}, 0);
}

void TFileOpenEdit::DoOnBrowseClick() {
  const std::wstring filter = Widen(DialogFilter(Filter));
  const std::wstring title = Widen(Title);
  const std::wstring initialDir = Widen(InitialDir);
  const std::wstring defaultExt = Widen(DefaultExt);
  std::wstring path(kPathRoom, L'\0');  // no file name preset from the field
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = GetAncestor(Handle(), GA_ROOT);
  dialog.lpstrFilter = OrNull(filter);
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathRoom;
  dialog.lpstrInitialDir = OrNull(initialDir);
  dialog.lpstrTitle = OrNull(title);
  dialog.lpstrDefExt = OrNull(defaultExt);
  dialog.Flags = Options;
  const BOOL chosen = GetOpenFileNameW(&dialog);
  // The dialog handed the focus back to the button; typing belongs in the field.
  SetFocus();
  // A dialog that could not open answers like a cancel: with the room above and no preset name that
  // has no cause the user could mend, so it leaves the text alone as a cancel does.
  if (chosen) SetText(Narrow(path.c_str()));
}

LRESULT TFileOpenEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && reinterpret_cast<HWND>(lParam) == Button && HIWORD(wParam) == BN_CLICKED) {
    DoOnBrowseClick();
    return 0;
  }
  return TTrackedEdit::WndProc(msg, wParam, lParam);
}
