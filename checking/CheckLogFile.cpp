#include "checking/CheckLogFile.h"

#include <windows.h>

#include <optional>

#include "checking/portable/Standing.h"
#include "toolkit/Files.h"
#include "toolkit/Text.h"
#include "toolkit/portable/Exception.h"

namespace checking {

void TCheckLogFile::Append(const std::string& line) {
  const std::string utf8 = FromWide(CP_UTF8, Widen(line));
  const std::optional<std::uint64_t> size = FileSize(FilePath);
  bool written = true;
  if (size && LogMustRotate(*size, utf8.size()))
    written = MoveFileExW(Widen(FilePath).c_str(), Widen(FilePath + ".1").c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  if (written) written = AppendToFile(FilePath, utf8);
  if (!written) throw Exception("チェックの記録 " + FilePath + " を書き込めませんでした。\n" + WriteFailureReason(GetLastError()));
}

}  // namespace checking
