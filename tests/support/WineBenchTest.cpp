#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "toolkit/Text.h"

namespace {

// Wine takes its ANSI code page from LANG; the tests run with ja_JP.UTF-8 and once with en_US.UTF-8.
TEST(WineBench, AnsiCodePageFollowsLang) {
  const char* lang = std::getenv("LANG");
  ASSERT_NE(lang, nullptr);
  const std::string value = lang;
  if (value.rfind("ja_JP", 0) == 0)
    EXPECT_EQ(GetACP(), 932u);
  else if (value.rfind("en_US", 0) == 0)
    EXPECT_EQ(GetACP(), 1252u);
  else
    FAIL() << "unexpected LANG " << value;
}

// A hidden window of a class of our own comes and goes and sees its CP932 caption as UTF-16.
TEST(WineBench, HiddenWindowKeepsItsJapaneseCaption) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"WineBenchHidden";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  const std::string caption = "ペルモーラ";
  HWND hwnd = CreateWindowExW(0, L"WineBenchHidden", Widen(caption).c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_FALSE(IsWindowVisible(hwnd));
  wchar_t text[64] = {};
  GetWindowTextW(hwnd, text, 64);
  EXPECT_EQ(Narrow(text), caption);
  EXPECT_EQ(std::wstring(text), L"ペルモーラ");
  EXPECT_TRUE(DestroyWindow(hwnd));
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(UnregisterClassW(L"WineBenchHidden", GetModuleHandleW(nullptr)));
}

}  // namespace
