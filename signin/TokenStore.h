#pragma once
// tokens.dat on disk: the one reader and writer of the file, shared by the sign-ins' refresh tokens
// and the passwords kept by Windows, so that neither overwrites the other's records.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "signin/portable/TokenFile.h"

class TTokenStore {
public:
  void SetFile(std::string path) { FilePath = std::move(path); }

  // The records in the file, none while there is no file. Raises Exception for a file that cannot be
  // read or is of another format: one that was not read is never written over.
  std::vector<TTokenRecord> Records() const;
  // Reads the records, lets `change` edit them and, when they differ, replaces the file whole. Raises
  // Exception, the file as it was, when any step fails.
  void Change(const std::function<void(std::vector<TTokenRecord>&)>& change);

private:
  std::string FilePath;
};
