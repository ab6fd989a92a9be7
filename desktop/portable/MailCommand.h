#pragma once
// The command line that starts the registered mail program, read as the shell reads the program's
// shell\open\command value; no Windows API.
#include <functional>
#include <string>
#include <string_view>

// `command` is the registered value with its environment variables expanded. The program comes out
// quoted, so that the system never searches an unquoted path with spaces word by word (which tries
// C:\Program.exe before C:\Program Files\...). A quoted program ends at its closing quote; an
// unquoted one is the longest run of the value's first words that `isFile` accepts, as it stands
// or with ".exe" added where it has no extension, or else its first word. Nothing is opened, so the
// placeholders of the file and of further arguments (%0 to %9, %L, %l, %*, %~, %I, %i) are left out;
// %% is a percent sign and any other % stays. Empty when no program is named.
std::u16string MailCommandLine(std::u16string_view command, const std::function<bool(std::u16string_view)>& isFile);
