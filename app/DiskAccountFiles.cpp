#include "app/DiskAccountFiles.h"

#include "toolkit/Files.h"

TReadResult TDiskAccountFiles::ReadWhole(const std::string& path, std::string& bytes) {
  return ReadWholeFile(path, bytes);
}

bool TDiskAccountFiles::ReplaceWhole(const std::string& path, std::string_view bytes) {
  return ReplaceWholeFile(path, bytes);
}
