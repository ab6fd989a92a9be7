#include "toolkit/IniFile.h"

#include <windows.h>

#include <utility>

#include "toolkit/portable/Exception.h"
#include "toolkit/portable/IntText.h"
#include "toolkit/Text.h"

TIniFile::TIniFile(std::string fileName) : Path(std::move(fileName)) {}

TIniFile::~TIniFile() { UpdateFile(); }

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
  const std::wstring wideSection = Widen(section), wideKey = Widen(key), wideFallback = Widen(fallback);
  const std::wstring path = Widen(Path);
  std::wstring value(2048, L'\0');
  for (;;) {
    const DWORD length = GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideFallback.c_str(),
                                                  value.data(), static_cast<DWORD>(value.size()), path.c_str());
    // A value that filled the buffer may have been cut: read again with more room.
    if (length + 1 < value.size()) {
      value.resize(length);
      return Narrow(value);
    }
    value.assign(value.size() * 2, L'\0');
  }
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSection(const std::string& section) const {
  const std::wstring wideSection = Widen(section), path = Widen(Path);
  std::wstring block(8192, L'\0');
  for (;;) {
    const DWORD length = GetPrivateProfileSectionW(wideSection.c_str(), block.data(), static_cast<DWORD>(block.size()), path.c_str());
    // A section that filled the buffer may have been cut: read again with more room.
    if (length + 2 < block.size()) {
      block.resize(length);
      break;
    }
    block.assign(block.size() * 2, L'\0');
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t start = 0; start < block.size();) {
    std::size_t end = block.find(L'\0', start);
    if (end == std::wstring::npos) end = block.size();
    const std::string line = Narrow(block.substr(start, end - start));
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) pairs.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    start = end + 1;
  }
  return pairs;
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, std::int32_t fallback) const {
  return StrToIntDef(ReadString(section, key, {}), fallback);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                  Widen(Path).c_str()))
    throw Exception(Path + " に書き込めません");
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
  WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  // Only a missing key reads as this fallback, which no settings file holds.
  const std::string absent(1, '\x01');
  if (ReadString(section, key, absent) == absent) return;
  if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), nullptr, Widen(Path).c_str()))
    throw Exception(Path + " に書き込めません");
}

void TIniFile::UpdateFile() {
  // The flush request reports no failure worth acting on (some systems answer it with FALSE
  // always); every write above has already been checked.
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, Widen(Path).c_str());
}
