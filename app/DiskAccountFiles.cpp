#include "app/DiskAccountFiles.h"

#include "toolkit/Files.h"

accounts::AccountFileSystem::ReadResult TDiskAccountFiles::ReadWhole(const std::string& path, std::string& bytes) {
  switch (ReadWholeFile(path, bytes)) {
    case TReadResult::Read:
      return ReadResult::Read;
    case TReadResult::Missing:
      return ReadResult::Missing;
    case TReadResult::Failed:
      break;
  }
  return ReadResult::Failed;
}

bool TDiskAccountFiles::ReplaceWhole(const std::string& path, std::string_view bytes) {
  return ReplaceWholeFile(path, bytes);
}
