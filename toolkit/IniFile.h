#pragma once
// A settings (INI) file read and written through the Windows profile functions, one value per call at
// the moment of the call. Texts are code page 932. Destroying the object flushes the file.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TIniFile {
public:
  explicit TIniFile(std::string fileName);
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return Path; }

  // A missing file, section or key gives `fallback`.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) const;
  // Decimal, or hexadecimal after "$", "0x" or "0X", with leading spaces and a sign; any other text,
  // or none, gives `fallback`.
  std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t fallback) const;
  // Any integer other than 0 is true.
  bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;
  // Every key of the section with its value, in the file's order; none for a missing section.
  std::vector<std::pair<std::string, std::string>> ReadSection(const std::string& section) const;

  // Each raises Exception("<path> に書き込めません") when the file cannot be written.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
  // Written as "1" or "0".
  void WriteBool(const std::string& section, const std::string& key, bool value);
  // Removes the key; a file without it is left untouched.
  void DeleteKey(const std::string& section, const std::string& key);

  // Hands cached changes to the disk.
  void UpdateFile();

private:
  std::string Path;
};
