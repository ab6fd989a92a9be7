#include "toolkit/PageControl.h"

#include <commctrl.h>

#include "toolkit/portable/Exception.h"
#include "toolkit/Font.h"
#include "toolkit/Text.h"

namespace {
constexpr const wchar_t* kPageControlClass = L"PelmoraPageControl";
constexpr const wchar_t* kTabSheetClass = L"PelmoraTabSheet";
}  // namespace

TPageControl::TPageControl(TWinControl& parent, const TBounds& bounds) : TWinControl(&parent) {
  RegisterOwnClass(kPageControlClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  CreateOwnChild(kPageControlClass, WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, bounds);
  const TBounds placed = ScaleBounds(bounds, Dpi());
  Tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0,
                         placed.Width, placed.Height, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!Tabs) throw Exception("Error creating window");
  SendMessageW(Tabs, WM_SETFONT, reinterpret_cast<WPARAM>(DesignFont(Dpi())), FALSE);
}

void TPageControl::ApplyDpi(int dpi) {
  TWinControl::ApplyDpi(dpi);
  const TBounds placed = ScaleBounds(DesignBounds(), dpi);
  SetWindowPos(Tabs, nullptr, 0, 0, placed.Width, placed.Height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(Tabs, WM_SETFONT, reinterpret_cast<WPARAM>(DesignFont(dpi)), TRUE);
}

RECT TPageControl::PageRect() const {
  RECT r{};
  GetClientRect(Tabs, &r);
  TabCtrl_AdjustRect(Tabs, FALSE, &r);
  return r;
}

int TPageControl::AddPage(TTabSheet* page, const std::string& caption) {
  const std::wstring text = Widen(caption);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  const int index = static_cast<int>(Pages.size());
  SendMessageW(Tabs, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  Pages.push_back(page);
  return index;
}

int TPageControl::ActivePageIndex() const { return static_cast<int>(SendMessageW(Tabs, TCM_GETCURSEL, 0, 0)); }

TTabSheet* TPageControl::ActivePage() const {
  const int index = ActivePageIndex();
  return (index >= 0 && index < PageCount()) ? Pages[static_cast<std::size_t>(index)] : nullptr;
}

void TPageControl::SetActivePageIndex(int index) {
  SendMessageW(Tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  ShowActivePage();
}

void TPageControl::ShowActivePage() {
  const TTabSheet* active = ActivePage();
  // Focus inside a page about to be hidden would be lost: hand it to the tabs first.
  for (TTabSheet* page : Pages) {
    if (page != active && IsChild(page->Handle(), GetFocus())) ::SetFocus(Tabs);
  }
  for (TTabSheet* page : Pages) page->SetVisible(page == active);
}

LRESULT TPageControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->hwndFrom == Tabs) {
      if (header->code == TCN_SELCHANGE) {
        ShowActivePage();
        OnChange(this);
      }
      return 0;
    }
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

TTabSheet::TTabSheet(TPageControl& pageControl, const std::string& caption)
    : TWinControl(&pageControl), Owner(pageControl) {
  RegisterOwnClass(kTabSheetClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  // The display area is known only once the tab row holds an item.
  Index = Owner.AddPage(this, caption);
  // The first page is the active one; a page lies above the tabs so that the tabs never paint over it.
  CreateOwnChild(kTabSheetClass, (Index == 0 ? WS_VISIBLE : 0) | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, {});
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  FillPageArea();
}

void TTabSheet::ApplyDpi(int dpi) {
  SetDpi(dpi);
  FillPageArea();
}

void TTabSheet::FillPageArea() {
  const RECT r = Owner.PageRect();
  SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string TTabSheet::TabCaption() const {
  wchar_t buffer[256] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = 255;
  SendMessageW(Owner.TabsHandle(), TCM_GETITEMW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item));
  return Narrow(buffer);
}
