#pragma once
// The access key of a caption: the character after a single "&" ("&&" shows one "&"). No Windows API.
#include <string_view>

// The key in upper case, or 0 when the caption has none. Double-byte characters are stepped over whole;
// only a single-byte character can be an access key.
char AcceleratorKey(std::string_view cp932Caption);
