#pragma once
// The full path of the running program file.
#include <string>

std::string ProgramPath();
