#include "checking/IdsFile.h"

#include <windows.h>

#include "toolkit/Files.h"
#include "toolkit/portable/Exception.h"

namespace checking {

namespace {

// Why a file could not be written, as the user can act on it.
std::string WriteFailureReason(DWORD error) {
  switch (error) {
    case ERROR_FILE_READ_ONLY: return "ファイルが読み取り専用です。";
    case ERROR_ACCESS_DENIED: return "ファイルかフォルダーに書き込む権限がありません。";
    case ERROR_WRITE_PROTECT: return "ディスクが書き込み禁止です。";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "ほかのプログラムがファイルを使っています。";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "ディスクの空きが足りません。";
    case ERROR_PATH_NOT_FOUND: return "フォルダーが見つかりません。";
    default: return "Windows のエラー " + std::to_string(error) + " です。";
  }
}

}  // namespace

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
