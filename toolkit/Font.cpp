#include "toolkit/Font.h"

#include <cwchar>
#include <map>
#include <mutex>

#include "toolkit/portable/DpiScale.h"
#include "toolkit/Handles.h"

namespace {

constexpr int kCharacterHeight = 12;

// "ＭＳ Ｐゴシック" first, then Japanese proportional UI faces found on Windows and under Wine.
constexpr const wchar_t* kFaces[] = {
    L"ＭＳ Ｐゴシック",
    L"MS PGothic",
    L"MS UI Gothic",
    L"Meiryo UI",
    L"Yu Gothic UI",
    L"IPAPGothic",
    L"IPA Pゴシック",
    L"IPAGothic",
};

int CALLBACK FoundFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

std::wstring ChooseFace() {
  for (const wchar_t* face : kFaces) {
    if (FontFamilyInstalled(face)) return face;
  }
  return kFaces[0];
}

}  // namespace

bool FontFamilyInstalled(const std::wstring& face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = SHIFTJIS_CHARSET;
  wcsncpy(wanted.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  bool found = false;
  const TWindowDc screen(nullptr);
  EnumFontFamiliesExW(screen.Get(), &wanted, FoundFamily, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

std::wstring DesignFontFace() {
  static const std::wstring face = ChooseFace();
  return face;
}

HFONT DesignFont(int dpi) {
  // Tests build windows on threads of their own too.
  static std::mutex guard;
  static std::map<int, HFONT> fonts;
  const std::lock_guard lock(guard);
  HFONT& font = fonts[dpi];
  if (!font) {
    font = CreateFontW(-ScaleToDpi(kCharacterHeight, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       DesignFontFace().c_str());
  }
  return font;
}
