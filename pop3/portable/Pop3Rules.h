#pragma once
// Rules of the POP3 dialogue that need no socket: reply fields, the positive-reply test and the
// STAT count. No Windows API.
#include <cstdint>
#include <string>

// The n-th field (counting from 1) of text split at separator: the characters between the (n-1)-th
// and the n-th separator. Consecutive separators give empty fields; a missing field is empty.
std::string GetField(const std::string& text, char separator, int n);

// A reply is positive when its first blank-separated field contains "+OK" (case-sensitive).
bool IsPositiveReply(const std::string& reply);

// The signed 32-bit value of text, or 0 when the whole text does not convert: leading blanks, an
// optional sign, then decimal digits, or hexadecimal digits after "$", "x" or "0x".
int32_t ConvertCount(const std::string& text);

// The message count of a STAT reply: field 2 converted with ConvertCount. The field keeps whatever
// follows it on the line, so "+OK 7\r\n" gives 0.
int32_t StatMessageCount(const std::string& reply);

// A path stored with exactly one trailing backslash added when it has none; an empty text stays empty.
std::string WithTrailingBackslash(const std::string& path);
