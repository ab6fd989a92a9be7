#pragma once
// The one pair of conversions between the program's CP932 texts and the UTF-16 of the W calls.
#include <string>
#include <string_view>

std::wstring Widen(std::string_view cp932);
std::string Narrow(std::wstring_view utf16);

// The same conversions for any Windows code page.
std::wstring ToWide(unsigned codePage, std::string_view bytes);
std::string FromWide(unsigned codePage, std::wstring_view text);
