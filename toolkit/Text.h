#pragma once
// The one pair of conversions between the program's CP932 texts and the UTF-16 of the W calls.
#include <string>
#include <string_view>

std::wstring Widen(std::string_view cp932);
std::string Narrow(std::wstring_view utf16);
// UTF-16 to UTF-8, for output meant for the Linux side (test probes).
std::string ToUtf8(std::wstring_view utf16);
std::wstring FromUtf8(std::string_view utf8);
