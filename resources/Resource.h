#pragma once
// Identifiers of the program's resources, shared by the resource script and the code.

// The program icon: 16x16 and 32x32 pixels, each in 16 and 256 colours.
#define IDI_MAINICON 1
