#include "desktop/FileOpenEdit.h"

#include "desktop/portable/DialogFilter.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

namespace {

constexpr int kPictureWidth = 14;
constexpr int kPictureHeight = 13;
// Long enough for any path the dialog can return, so it never fails for want of room.
constexpr DWORD kPathRoom = 32768;

void FillPolygon(HDC dc, const POINT* corners, int count, COLORREF fill, COLORREF outline) {
  const TOwnedPen pen(CreatePen(PS_SOLID, 1, outline));
  const TOwnedBrush brush(CreateSolidBrush(fill));
  const TSelection penSelected(dc, pen.Get());
  const TSelection brushSelected(dc, brush.Get());
  Polygon(dc, corners, count);
}

// An open folder: the back with its tab, and the front flap leaning forward over it; drawn at the
// field's DPI rather than stretched.
TOwnedBitmap MakeFolderPicture(int dpi) {
  const auto scaled = [dpi](POINT p) { return POINT{ScaleToDpi(p.x, dpi), ScaleToDpi(p.y, dpi)}; };
  const POINT size = scaled({kPictureWidth, kPictureHeight});
  const TWindowDc screen(nullptr);
  const TOwnedDc memory(CreateCompatibleDC(screen.Get()));
  TOwnedBitmap bitmap(CreateCompatibleBitmap(screen.Get(), size.x, size.y));
  const HDC dc = memory.Get();
  // Deselected before the bitmap is handed out: a bitmap selected into a context can't be shown.
  const TSelection selected(dc, bitmap.Get());
  const RECT all{0, 0, size.x, size.y};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  POINT back[] = {{0, 1}, {4, 1}, {5, 2}, {11, 2}, {11, 11}, {0, 11}};
  POINT front[] = {{3, 5}, {13, 5}, {10, 11}, {0, 11}};
  for (POINT& p : back) p = scaled(p);
  for (POINT& p : front) p = scaled(p);
  FillPolygon(dc, back, 6, RGB(192, 160, 32), RGB(96, 64, 0));
  FillPolygon(dc, front, 4, RGB(255, 224, 96), RGB(96, 64, 0));
  return bitmap;
}

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

std::wstring ShortPathOf(const std::wstring& path) {
  const DWORD room = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (room == 0) return {};
  std::wstring shortPath(room, L'\0');
  const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), room);
  if (length == 0 || length >= room) return {};
  shortPath.resize(length);
  return shortPath;
}

}  // namespace

std::optional<std::string> StorablePath(const std::wstring& path, std::size_t maxLength) {
  for (const std::wstring& candidate : {path, ShortPathOf(path)}) {
    if (candidate.empty() || candidate.size() > maxLength) continue;
    std::string text = Narrow(candidate);
    if (Widen(text) == candidate) return text;
  }
  return std::nullopt;
}

TFileOpenEdit::TFileOpenEdit(TWinControl& parent, const TBounds& bounds)
    : TTrackedEdit(parent, bounds, {}), Folder(MakeFolderPicture(Dpi())) {
  Button.Reset(CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP, 0, 0, 0, 0,
                               Handle(), nullptr, GetModuleHandleW(nullptr), nullptr));
  SendMessageW(Button.Get(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Folder.Get()));
  Layout();
}

void TFileOpenEdit::ApplyDpi(int dpi) {
  TTrackedEdit::ApplyDpi(dpi);
  // The button lets go of the old picture before it is freed.
  TOwnedBitmap shown = std::move(Folder);
  Folder = MakeFolderPicture(dpi);
  SendMessageW(Button.Get(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Folder.Get()));
}

void TFileOpenEdit::Layout() {
  if (!Button.Get()) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  PlaceButton(Button.Get(), {client.right - Scale(kButtonWidth), 0, client.right, client.bottom}, 0);
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
  if (!chosen) return;
  // Typing is bound by the field's limit and code page 932; a chosen path must be too, or the saved
  // account would name no file (or a line too long to read back).
  const std::optional<std::string> stored = StorablePath(path.c_str(), static_cast<std::size_t>(MaxLength()));
  if (stored) {
    SetText(*stored);
  } else {
    ShowMessage("選択したファイルのパスは長すぎるか、使えない文字を含んでいるため、設定できません。");
  }
}

LRESULT TFileOpenEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && reinterpret_cast<HWND>(lParam) == Button.Get() && HIWORD(wParam) == BN_CLICKED) {
    DoOnBrowseClick();
    return 0;
  }
  return TTrackedEdit::WndProc(msg, wParam, lParam);
}
