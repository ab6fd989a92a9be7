// Scaling of window designs drawn at 96 DPI.
#include "toolkit/portable/DpiScale.h"

#include <gtest/gtest.h>

namespace {

bool Same(const TBounds& a, const TBounds& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
}

TEST(DpiScale, RoundsHalfAwayFromZeroAsMulDivDoes) {
  EXPECT_EQ(ScaleToDpi(610, 144), 915);
  EXPECT_EQ(ScaleToDpi(1, 144), 2);
  EXPECT_EQ(ScaleToDpi(-1, 144), -2);
  EXPECT_EQ(ScaleToDpi(5, 120), 6);
  EXPECT_EQ(ScaleToDpi(3, 120), 4);
  EXPECT_EQ(ScaleToDpi(12, 168), 21);
  EXPECT_EQ(ScaleToDpi(0, 192), 0);
  // No overflow on the way for any coordinate a window can have.
  EXPECT_EQ(ScaleToDpi(1 << 24, 480), 5 << 24);
}

TEST(DpiScale, DesignIsKeptToThePixelAt96AndScaledByEdgesElsewhere) {
  for (const TBounds design : {TBounds{12, 12, 585, 204}, TBounds{466, 232, 110, 21}, TBounds{-3, 7, 1, 0}}) {
    EXPECT_TRUE(Same(ScaleBounds(design, 96), design));
  }
  EXPECT_TRUE(Same(ScaleBounds({12, 222, 585, 3}, 144), TBounds{18, 333, 878, 5}));
  // Neighbours that touch in the design still touch, whatever the rounding of each.
  for (int dpi : {120, 144, 168, 192, 216}) {
    for (int edge = 1; edge < 40; ++edge) {
      const TBounds left = ScaleBounds({0, 0, edge, 10}, dpi);
      const TBounds right = ScaleBounds({edge, 0, 7, 10}, dpi);
      EXPECT_EQ(left.Left + left.Width, right.Left) << dpi << " " << edge;
    }
  }
}

}  // namespace
