#include "checking/IdsFile.h"

#include <windows.h>

#include "toolkit/Files.h"
#include "toolkit/portable/Exception.h"

namespace checking {

SeenIds LoadSeenIds(const std::string& path) {
  std::string bytes;
  const TReadResult result = ReadWholeFile(path, bytes);
  if (result == TReadResult::Failed) throw Exception("ファイル " + path + " は開けません");
  return result == TReadResult::Read ? SeenIds::Parse(bytes) : SeenIds();
}

void StoreSeenIds(const std::string& path, const SeenIds& ids) {
  if (!ReplaceWholeFile(path, ids.Format()))
    throw Exception("ファイル " + path + " を保存できませんでした。\n" + WriteFailureReason(GetLastError()));
}

}  // namespace checking
