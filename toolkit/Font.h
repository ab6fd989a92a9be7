#pragma once
// The font of every window and control: "ＭＳ Ｐゴシック", character height 12 pixels, Shift-JIS.
#include <windows.h>

#include <string>

#include "toolkit/portable/DpiScale.h"

// Process-wide, one per DPI (the character height scaled to it), created on first use and never freed
// (windows may hold it until the process ends). Where that face is not installed, the first installed
// Japanese UI face takes its place, so the font mapper never falls back to a face without Japanese
// glyphs.
HFONT DesignFont(int dpi = kDesignDpi);
std::wstring DesignFontFace();
// Whether a font family of that name is installed for the Shift-JIS character set.
bool FontFamilyInstalled(const std::wstring& face);
