#pragma once
// Percent-encoding (RFC 3986 section 2.1), for URLs and form bodies, and to keep a stored field one
// word of printable bytes. No Windows API.
#include <optional>
#include <string>
#include <string_view>

// Every byte for which `keep` is false as %XX (upper-case hex digits).
std::string PercentEncode(std::string_view bytes, bool (*keep)(unsigned char byte));

// RFC 3986's unreserved characters: letters, digits, "-", ".", "_", "~".
bool Unreserved(unsigned char byte);

// The bytes of a percent-encoded text; with plusIsSpace (a form's or a query's value) "+" stands
// for a blank. A "%" without two hex digits after it gives nothing.
std::optional<std::string> PercentDecode(std::string_view text, bool plusIsSpace);
