#pragma once
// Where the program finds its files, derived from the full path of its own executable. No Windows API.
#include <string>
#include <string_view>

// The directory of the program file without a trailing separator; a drive root keeps its "\":
// C:\Tools\x.exe gives C:\Tools, C:\x.exe gives C:\.
std::string ProgramDirOf(std::string_view programPath);

// The program's file name (after the last "\" or ":") with everything from its last "." removed.
std::string ProgramNameOf(std::string_view programPath);

// The settings file: the program's path up to and including its last "\" or ":", then "Pelmora.ini".
std::string SettingsFileOf(std::string_view programPath);

// The information page of the program: plain HTTP on our own web server.
std::string InfoPageAddress(std::string_view programPath);

// The name that the copies started from one program folder share, given the folder's path as the file
// system compares it (in upper case): "Pelmora-" and 16 hex digits of a hash of the path, since a path
// may be longer than a kernel object's name, and a "\" there would name a namespace.
std::u16string InstanceNameOf(std::u16string_view upperCaseFolder);
