#pragma once
// Window designs are drawn in pixels at 96 dots per inch; a window shown at another DPI scales them
// with this arithmetic. Windows-free.

// A rectangle of a design, in its parent's client coordinates.
struct TBounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

constexpr int kDesignDpi = 96;

// value * dpi / 96, rounded half away from zero as MulDiv does.
int ScaleToDpi(int value, int dpi);
// Scales the edges rather than the sizes, so that controls that touch or line up in the design still
// do at any DPI.
TBounds ScaleBounds(const TBounds& design, int dpi);
