#pragma once
// Checks a control's place and size in its parent's client area against the design.
#include <gtest/gtest.h>

#include "toolkit/Control.h"

inline void ExpectBounds(const TWinControl& control, int left, int top, int width, int height) {
  const TBounds b = control.Bounds();
  EXPECT_EQ(b.Left, left);
  EXPECT_EQ(b.Top, top);
  EXPECT_EQ(b.Width, width);
  EXPECT_EQ(b.Height, height);
}
