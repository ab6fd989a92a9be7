#pragma once
// The mouse buttons and the shift state that mouse events report.

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Mouse-event shift state: a set of the flags below.
using TShiftState = unsigned;
enum TShiftFlag : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64,
};
