#pragma once
// The account file's disk operations, through the wide file API.
#include "accounts/portable/AccountFile.h"

class TDiskAccountFiles : public accounts::AccountFileSystem {
public:
  TReadResult ReadWhole(const std::string& path, std::string& bytes) override;
  bool ReplaceWhole(const std::string& path, std::string_view bytes) override;
};
