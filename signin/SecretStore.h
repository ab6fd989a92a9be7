#pragma once
// Secrets kept for the current Windows user by the system (DPAPI): a blob made here opens only for
// the same user, on the same machine or through the user's roaming keys, and for this program.
#include <string>
#include <string_view>

// The encrypted blob of `secret`. Raises Exception when the system refuses.
std::string Protect(std::string_view secret);
// The secret inside a blob that Protect made. Raises Exception for a blob that was changed, made by
// another user or another program, or is not one at all.
std::string Unprotect(std::string_view blob);
