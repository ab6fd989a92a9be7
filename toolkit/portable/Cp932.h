#pragma once
// Code page 932 (Shift-JIS) byte rules that need no Windows API.
#include <cstddef>
#include <string_view>

namespace cp932 {

// First byte of a double-byte character.
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Index just past the character that starts at `pos`; a lead byte at the very end counts alone.
std::size_t NextChar(std::string_view text, std::size_t pos);

// The longest prefix of at most `maxBytes` bytes that does not cut a double-byte character.
std::string_view TruncateChars(std::string_view text, std::size_t maxBytes);

}  // namespace cp932
