#include "signin/TokenStore.h"

#include "toolkit/Files.h"
#include "toolkit/portable/Exception.h"

std::vector<TTokenRecord> TTokenStore::Records() const {
  std::string bytes;
  switch (ReadWholeFile(FilePath, bytes)) {
    case TReadResult::Read:
      break;
    case TReadResult::Missing:
      return {};
    case TReadResult::Failed:
      throw Exception("ファイル " + FilePath + " は開けません");
  }
  try {
    return ParseTokenFile(bytes);
  } catch (const Exception& e) {
    throw Exception("ファイル " + FilePath + " を読めません（" + e.message() + "）");
  }
}

void TTokenStore::Change(const std::function<void(std::vector<TTokenRecord>&)>& change) {
  const std::vector<TTokenRecord> before = Records();
  std::vector<TTokenRecord> records = before;
  change(records);
  if (records == before) return;
  if (!ReplaceWholeFile(FilePath, FormatTokenFile(records)))
    throw Exception("ファイル " + FilePath + " を保存できませんでした。");
}
