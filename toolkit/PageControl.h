#pragma once
// A tab control with one child page per tab; only the active page is visible.
#include <string>
#include <vector>

#include "toolkit/Control.h"
#include "toolkit/portable/Event.h"

class TTabSheet;

class TPageControl : public TWinControl {
public:
  TPageControl(TWinControl& parent, const TBounds& bounds);

  // Runs after the user has switched to another page.
  Event<TObject*> OnChange;

  int PageCount() const { return static_cast<int>(Pages.size()); }
  TTabSheet* Page(int index) const { return Pages.at(static_cast<std::size_t>(index)); }
  int ActivePageIndex() const;
  TTabSheet* ActivePage() const;
  void SetActivePageIndex(int index);
  HWND TabsHandle() const { return Tabs; }

  void ApplyDpi(int dpi) override;

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  friend class TTabSheet;
  RECT PageRect() const;
  int AddPage(TTabSheet* page, const std::string& caption);
  void ShowActivePage();

  HWND Tabs = nullptr;
  std::vector<TTabSheet*> Pages;
};

class TTabSheet : public TWinControl {
public:
  TTabSheet(TPageControl& pageControl, const std::string& caption);

  int PageIndex() const { return Index; }
  // The tab's caption (the page window itself has none).
  std::string TabCaption() const;

  // A page has no design bounds: it fills the page area of the tabs, whose height follows the font.
  void ApplyDpi(int dpi) override;

private:
  void FillPageArea();

  TPageControl& Owner;
  int Index;
};
