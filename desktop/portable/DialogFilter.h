#pragma once
// The file-open dialog's form of a filter text; no Windows API.
#include <string>
#include <string_view>

// "description|patterns|description|patterns" becomes the same pairs separated and ended by NUL,
// with a second NUL closing the list. Only a "|" that is a character of its own separates: in code
// page 932 the byte 0x7C is also the second byte of some double-byte characters (such as "ポ").
// An empty filter stays empty (the dialog then shows no file types).
std::string DialogFilter(std::string_view filter);
