#pragma once
// UTF-16 as texts are cut: a lead surrogate and the unit after it are one character, never parted.

inline constexpr bool IsLeadSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
