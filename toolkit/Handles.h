#pragma once
// Owners of Windows handles: each frees or gives back its handle when it goes, also when an
// exception passes.
#include <windows.h>

#include <utility>

// Owns a handle that `Free` releases (DestroyIcon, DeleteObject, DeleteDC, DestroyWindow, DestroyMenu).
template <typename Handle, auto Free>
class TOwned {
public:
  TOwned() = default;
  explicit TOwned(Handle handle) : Value(handle) {}
  TOwned(TOwned&& other) noexcept : Value(std::exchange(other.Value, nullptr)) {}
  TOwned& operator=(TOwned&& other) noexcept {
    Reset(std::exchange(other.Value, nullptr));
    return *this;
  }
  ~TOwned() { Reset(); }

  Handle Get() const { return Value; }
  void Reset(Handle handle = nullptr) {
    if (Value) Free(Value);
    Value = handle;
  }

private:
  Handle Value = nullptr;
};

using TOwnedIcon = TOwned<HICON, DestroyIcon>;
using TOwnedPen = TOwned<HPEN, DeleteObject>;
using TOwnedBrush = TOwned<HBRUSH, DeleteObject>;
using TOwnedBitmap = TOwned<HBITMAP, DeleteObject>;
using TOwnedDc = TOwned<HDC, DeleteDC>;
using TOwnedWindow = TOwned<HWND, DestroyWindow>;
using TOwnedMenu = TOwned<HMENU, DestroyMenu>;
using TOwnedHandle = TOwned<HANDLE, CloseHandle>;

// The device context of a window's client area (or of the screen, for no window), given back at the end.
class TWindowDc {
public:
  explicit TWindowDc(HWND wnd) : Wnd(wnd), Dc(GetDC(wnd)) {}
  TWindowDc(const TWindowDc&) = delete;
  TWindowDc& operator=(const TWindowDc&) = delete;
  ~TWindowDc() { ReleaseDC(Wnd, Dc); }

  HDC Get() const { return Dc; }

private:
  HWND Wnd;
  HDC Dc;
};

// Selects an object into a device context and puts the previous one back at the end.
class TSelection {
public:
  TSelection(HDC dc, HGDIOBJ object) : Dc(dc), Previous(SelectObject(dc, object)) {}
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;
  ~TSelection() { SelectObject(Dc, Previous); }

private:
  HDC Dc;
  HGDIOBJ Previous;
};
