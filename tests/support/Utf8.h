#pragma once
// UTF-16 to and from UTF-8, for output meant for the Linux side and paths that come from it.
#include <windows.h>

#include <string>
#include <string_view>

#include "toolkit/Text.h"

inline std::string ToUtf8(std::wstring_view utf16) { return FromWide(CP_UTF8, utf16); }
inline std::wstring FromUtf8(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }
