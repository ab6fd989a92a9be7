#pragma once
// The three settings of the check schedule as the settings file keeps them: section "SET", keys
// "START", "TIME" and "MINUTE".
#include <cstdint>
#include <string>

struct TSettings {
  bool Start = false;
  bool Time = true;
  std::int32_t Minute = 30;
};

// A value that is missing or not an integer is taken from `defaults`; a boolean is on for any
// non-zero integer.
TSettings ReadSettings(const std::string& path, const TSettings& defaults);
// All three, every time, in this order.
void WriteSettings(const std::string& path, const TSettings& settings);
