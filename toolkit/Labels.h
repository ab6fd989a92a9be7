#pragma once
// Static text with an access key, and the bevel line.
#include <string>

#include "toolkit/Control.h"

class TLabel : public TWinControl {
public:
  TLabel(TWinControl& parent, const TBounds& bounds, const std::string& caption, bool visible = true);
  ~TLabel() override;

  // Alt plus the caption's access key moves the focus here.
  TWinControl* FocusControl = nullptr;

  void ApplyDpi(int dpi) override;

private:
  void AutoSize();
};

// A horizontal etched line, decoration only.
class TBevel : public TWinControl {
public:
  TBevel(TWinControl& parent, const TBounds& bounds);

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
