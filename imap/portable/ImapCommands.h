#pragma once
// What the IMAP client sends that needs care: strings as quoted strings or literals, and the PLAIN
// credentials. No Windows API.
#include <string>
#include <string_view>
#include <vector>

// A command whose arguments are strings, in the pieces it is sent in: a string that a quoted string
// cannot hold (bytes outside ASCII, CR, LF) goes as a literal, and each piece but the last ends with
// its announcement "{n}", the next piece waiting for the server's "+".
std::vector<std::string> ImapCommand(std::string_view head, const std::vector<std::string_view>& strings);

// The initial response of AUTHENTICATE PLAIN (RFC 4616): base64 of NUL user NUL password.
std::string PlainCredentials(std::string_view user, std::string_view password);
