#include "app/portable/ProgramPaths.h"

#include <cstdint>

#include "toolkit/portable/Cp932.h"

namespace {

constexpr std::string_view kInfoPagePrefix = "http://www.pelmora.example/info.php?pf=w&sn=";
constexpr std::size_t kNone = std::string_view::npos;

struct Delimiter {
  std::size_t At = kNone;      // the last "\" or ":"
  std::size_t Before = kNone;  // the start of the character before it
};

// A trail byte of a double-byte character may have the code of "\", so the path is walked
// character by character.
Delimiter LastDelimiter(std::string_view path) {
  Delimiter found;
  std::size_t previous = kNone;
  for (std::size_t i = 0; i < path.size(); previous = i, i = cp932::NextChar(path, i)) {
    if (path[i] == '\\' || path[i] == ':') found = Delimiter{i, previous};
  }
  return found;
}

}  // namespace

std::string ProgramDirOf(std::string_view path) {
  const Delimiter last = LastDelimiter(path);
  if (last.At == kNone) return {};
  // A double-byte character before the "\" is never a separator.
  const bool separatorBefore = last.Before != kNone && last.At - last.Before == 1 &&
                               (path[last.Before] == '\\' || path[last.Before] == ':');
  if (path[last.At] == '\\' && last.Before != kNone && !separatorBefore) {
    return std::string(path.substr(0, last.At));
  }
  return std::string(path.substr(0, last.At + 1));
}

std::string ProgramNameOf(std::string_view path) {
  const std::size_t last = LastDelimiter(path).At;
  const std::string_view name = last == kNone ? path : path.substr(last + 1);
  std::size_t dot = kNone;
  for (std::size_t i = 0; i < name.size(); i = cp932::NextChar(name, i)) {
    if (name[i] == '.') dot = i;
  }
  return std::string(name.substr(0, dot));
}

std::string SettingsFileOf(std::string_view path) {
  const std::size_t last = LastDelimiter(path).At;
  return std::string(last == kNone ? std::string_view{} : path.substr(0, last + 1)) + "Pelmora.ini";
}

std::string InfoPageAddress(std::string_view programPath) {
  return std::string(kInfoPagePrefix) + ProgramNameOf(programPath);
}

// FNV-1a over the UTF-16 units: 64 bits make a collision of two folders on one machine unthinkable.
std::u16string InstanceNameOf(std::u16string_view upperCaseFolder) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const char16_t unit : upperCaseFolder) {
    hash ^= unit;
    hash *= 0x100000001b3u;
  }
  std::u16string name = u"Pelmora-";
  for (int shift = 60; shift >= 0; shift -= 4) name += u"0123456789abcdef"[(hash >> shift) & 0xF];
  return name;
}
