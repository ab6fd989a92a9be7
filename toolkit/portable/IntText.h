#pragma once
// Integer texts as the settings file and the numeric fields read and write them; no Windows API.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The prefixes that mark a hexadecimal number: "$", "0x" and "0X", and where a text may use them
// (a POP3 count), also a bare "x" or "X".
enum class HexPrefixes { DollarOr0x, DollarXOr0x };

// Leading spaces, an optional "+" or "-", then decimal digits, or a hexadecimal prefix followed by
// hexadecimal digits, and nothing after them. A decimal number must fit the signed 32-bit range; a
// hexadecimal one is a 32-bit pattern, so "$FFFFFFFF" is -1. Anything else is not an integer.
std::optional<std::int32_t> ParseInteger(std::string_view text, HexPrefixes prefixes = HexPrefixes::DollarOr0x);

// ParseInteger, with `fallback` for a text that is not an integer.
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);

std::string IntToStr(std::int32_t value);
