#include "toolkit/portable/DpiScale.h"

#include <cstdint>

int ScaleToDpi(int value, int dpi) {
  const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
  const std::int64_t half = kDesignDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi : -((-product + half) / kDesignDpi));
}

TBounds ScaleBounds(const TBounds& design, int dpi) {
  const int left = ScaleToDpi(design.Left, dpi);
  const int top = ScaleToDpi(design.Top, dpi);
  return TBounds{left, top, ScaleToDpi(design.Left + design.Width, dpi) - left,
                 ScaleToDpi(design.Top + design.Height, dpi) - top};
}
