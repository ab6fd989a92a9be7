#pragma once
// A short sound file for the tests that open and play one: a tenth of a second of 8-bit mono PCM.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "toolkit/Text.h"

// Writes the sound as `name` in the temporary folder and returns its full path.
inline std::string WriteWave(const std::string& name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  const std::wstring path = std::wstring(dir) + Widen(name);
  const unsigned samples = 800;
  std::vector<unsigned char> file(44 + samples);
  auto put32 = [&](size_t at, unsigned value) { std::memcpy(&file[at], &value, 4); };
  auto put16 = [&](size_t at, unsigned short value) { std::memcpy(&file[at], &value, 2); };
  std::memcpy(&file[0], "RIFF", 4);
  put32(4, 36 + samples);
  std::memcpy(&file[8], "WAVEfmt ", 8);
  put32(16, 16);
  put16(20, 1);
  put16(22, 1);
  put32(24, 8000);
  put32(28, 8000);
  put16(32, 1);
  put16(34, 8);
  std::memcpy(&file[36], "data", 4);
  put32(40, samples);
  for (unsigned i = 0; i < samples; ++i) file[44 + i] = (i / 10) % 2 ? 200 : 56;
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(handle, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
  CloseHandle(handle);
  return Narrow(path);
}
